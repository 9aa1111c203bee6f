#include "control/efficiency_meter.h"

#include <cmath>

#include "control/adaptation_codes.h"
#include "control/settings.h"
#include "control/user_interface.h"
#include "model/building.h"

namespace vardeck {

namespace {

bool validCall(int floor, int dir) {
    return isFloor(floor) && (dir == 0 || dir == 1);
}

}  // namespace

EfficiencyMeter::EfficiencyMeter(Building& building, Settings& settings, UiHooks& ui)
    : building_(building), settings_(settings), ui_(ui) {}

void EfficiencyMeter::stampCall(int floor, int dir) {
    if (!validCall(floor, dir)) return;
    const bool idle = building_.car.buttonCount() == 0 &&
                      building_.hallPanel.firstLit(1, kFloorCount, kHallEither) == 0;
    callStamp[floor][dir] = idle ? building_.car.travelCount : 0;
}

void EfficiencyMeter::dropStamps() {
    if (building_.car.buttonCount() == 0) return;
    for (auto& floorStamps : callStamp) floorStamps = {0, 0};
}

void EfficiencyMeter::takeSample(int floor, int dir) {
    if (!validCall(floor, dir) || callStamp[floor][dir] == 0) return;
    const int travelled = callStamp[floor][dir] - building_.car.travelCount + kFloorCount;
    lastSample = static_cast<double>(travelled) * (1.0 / kFloorCount);
    callStamp[floor][dir] = 0;
    if (windowSize > 0) {
        for (int i = 0; i + 1 < windowSize; ++i) window[i] = window[i + 1];
        window[windowSize - 1] = lastSample;
    }
    ui_->efficiencySampleTaken(floor, dir);
    ++newSamples;
}

void EfficiencyMeter::restart() {
    windowSize = 2 * settings_.samplesPerHalfWindow();
    window = std::make_unique<double[]>(windowSize);
    refill();
}

void EfficiencyMeter::refill() {
    for (int i = 0; i < windowSize; ++i) window[i] = settings_.efficiencyCriteria;
}

bool EfficiencyMeter::checkFull() {
    if (newSamples < half() || windowSize == 0) return false;
    newSamples = 0;
    return true;
}

EfficiencyMeter::Halves EfficiencyMeter::averages() {
    const int n = half();
    Halves result{0, 0};
    if (n == 0) return result;
    double older = 0, newer = 0;
    for (int i = 0; i < n; ++i) older += window[i];
    for (int i = n; i < 2 * n; ++i) newer += window[i];
    result.older = older / n;
    result.newer = newer / n;
    settings_.efficiencyCriteria = static_cast<float>(result.newer);
    return result;
}

int EfficiencyMeter::trend() {
    const Halves halves = averages();
    if (std::fabs(halves.newer - halves.older) <= settings_.tresholdToCheckNeedToAdapt)
        return kTrendSteady;
    return halves.newer > halves.older ? kTrendRose : kTrendFell;
}

}  // namespace vardeck

#include "study/service_meter.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "control/controller_control_system.h"
#include "control/controller_error.h"
#include "control/controller_session.h"
#include "neuro/random.h"
#include "study/compare_row.h"
#include "study/fixed_ksu_image.h"
#include "study/statistics.h"
#include "study/system_choice.h"

namespace vardeck::study {

std::optional<double> ServiceReport::efficiencyMean() const {
    if (samples.empty()) return std::nullopt;
    double sum = 0;
    for (const EfficiencySample& s : samples) sum += s.value;
    return sum / double(samples.size());
}

ServiceMeter::ServiceMeter(Simulation& sim, bool recordCalls, int longWait)
    : sim_(sim), recordCalls_(recordCalls), longWait_(longWait) {
    for (auto& lamps : pressedAt_) lamps = {-1, -1};
    for (auto& lamps : callOfLamp_) lamps = {-1, -1};
}

bool ServiceMeter::lampCanLight(int floor, int direction) {
    if (!isFloor(floor)) return false;
    return direction == kHallUp ? floor < kFloorCount : floor > 1;
}

void ServiceMeter::watchRecording() {
    for (const Entry& entry : sim_.recorder.entries()) {
        const PressKey& key = entry.first;
        if (entry.second.played || !isFloor(key.floor)) continue;
        const Way way = key.direction == kHallUp ? Up : key.direction == kHallDown ? Down : Neither;
        const int passenger = passengers_.add(key.step, entry.second.buttons);
        notBoarded_[key.floor][way].push_back({&entry, passenger});
    }
}

void ServiceMeter::beforeStep() {
    floorBefore_ = sim_.building.car.floor;
    directionBefore_ = sim_.building.car.direction;
    stepBefore_ = sim_.stepCounter;
    doorOpenBefore_ = sim_.building.car.doorOpen != 0;
}

void ServiceMeter::collectBoarded(std::vector<Caller>& waiting) {
    auto kept = waiting.begin();
    auto next = waiting.begin();
    for (; next != waiting.end() && next->entry->first.step < stepBefore_; ++next) {
        const Entry& entry = *next->entry;
        if (!entry.second.played) {
            *kept++ = *next;
            continue;
        }
        const int passenger = next->passenger;
        passengers_.boarded(passenger, stepBefore_);
        const auto& buttons = entry.second.buttons;
        if (std::none_of(buttons.begin(), buttons.end(), [](int b) { return b != 0; })) continue;
        ++boarded_;
        int call = -1;
        if (recordCalls_) {
            const PressKey& key = entry.first;
            const int lamp = key.direction == kHallDown ? kHallDown : kHallUp;
            const auto lit = callOfPress_.find({key.step, key.floor, lamp});
            if (lit != callOfPress_.end()) call = lit->second;
        }
        for (int f = 1; f <= kFloorCount; ++f)
            if (entry.second.buttons[f - 1] != 0)
                riders_[f].push_back({entry.first.step, call, passenger});
    }
    waiting.erase(kept, next);
}

void ServiceMeter::afterStep() {
    // The recorder boards the callers whose hall press came in an earlier step at the floor
    // where the car stood when the step began, if their way fits the car's direction then.
    if (isFloor(floorBefore_)) {
        auto& waiting = notBoarded_[floorBefore_];
        if (directionBefore_ == kNone || directionBefore_ == kUp) collectBoarded(waiting[Up]);
        if (directionBefore_ == kNone || directionBefore_ == kDown) collectBoarded(waiting[Down]);
        if (directionBefore_ == kNone) collectBoarded(waiting[Neither]);
    }

    const Car& car = sim_.building.car;
    passengers_.carMoved(floorBefore_, car.floor);

    // An opening is the doors going from closed to open; a dwell restarted while they stand
    // open is none.
    if (!doorOpenBefore_ && car.doorOpen != 0) {
        ++doorOpenings_;
        if (isFloor(car.floor)) {
            // A recorded step may lie anywhere in the int range.
            for (const Rider& rider : riders_[car.floor]) {
                ++destinationsReached_;
                destinationTimeSum_ += static_cast<long long>(stepBefore_) - rider.pressStep;
                passengers_.arrived(rider.passenger, stepBefore_);
                if (rider.call >= 0 && calls_[rider.call].destinationStep < 0)
                    calls_[rider.call].destinationStep = stepBefore_;
            }
            riders_[car.floor].clear();
        }
    }
}

void ServiceMeter::efficiencySampleTaken(int, int) {
    samples_.push_back({sim_.stepCounter, sim_.lastEfficiency()});
}

void ServiceMeter::hallCallAdded(int floor, int direction) {
    // Any direction but down lights the up lamp.
    const int lamp = direction == kHallDown ? kHallDown : kHallUp;
    if (!lampCanLight(floor, lamp)) return;
    ++callsMade_;
    pressedAt_[floor][lamp] = sim_.stepCounter;
    if (recordCalls_) {
        callOfLamp_[floor][lamp] = static_cast<int>(calls_.size());
        callOfPress_[{sim_.stepCounter, floor, lamp}] = static_cast<int>(calls_.size());
        calls_.push_back({floor, lamp, sim_.stepCounter, -1, -1});
    }
}

void ServiceMeter::hallCallAnswered(int floor, int direction) {
    const int lamp = direction == kHallDown ? kHallDown : kHallUp;
    if (!isFloor(floor) || pressedAt_[floor][lamp] < 0) return;
    waits_.push_back(sim_.stepCounter - pressedAt_[floor][lamp]);
    pressedAt_[floor][lamp] = -1;
    if (recordCalls_ && callOfLamp_[floor][lamp] >= 0) {
        calls_[callOfLamp_[floor][lamp]].answerStep = sim_.stepCounter;
        callOfLamp_[floor][lamp] = -1;
    }
}

void ServiceMeter::showMessage(const std::string& text) {
    if (messages_++ == 0) {
        firstMessage_ = text;
        firstMessageStep_ = sim_.stepCounter;
    }
}

ServiceReport ServiceMeter::finish(long long steps, const std::vector<int>& periodBounds) const {
    ServiceReport report;
    report.system = sim_.currentKind();
    report.steps = steps;
    report.samples = samples_;
    const Car& car = sim_.building.car;
    report.floorsTravelled = car.travelCount - 1;
    report.doorOpenings = doorOpenings_;
    report.callsMade = callsMade_;
    report.callsAnswered = static_cast<long long>(waits_.size());
    if (!waits_.empty()) {
        std::vector<int> sorted = waits_;
        std::sort(sorted.begin(), sorted.end());
        double sum = 0, squares = 0;
        for (int w : sorted) {
            sum += w;
            squares += double(w) * double(w);
        }
        const double n = double(sorted.size());
        WaitingSummary summary;
        summary.mean = sum / n;
        summary.meanOfSquares = squares / n;
        summary.longest = sorted.back();
        summary.percentile95 = nearestRank(sorted, 0.95);
        report.waiting = summary;
    }
    report.boarded = boarded_;
    report.destinationsReached = destinationsReached_;
    if (destinationsReached_ > 0)
        report.destinationTimeMean = double(destinationTimeSum_) / double(destinationsReached_);
    const HallCallPanel& hall = sim_.building.hallPanel;
    for (int f = 1; f <= kFloorCount; ++f) report.stillWaiting += hall.up[f] + hall.down[f];
    report.passengers = passengers_.summarize(steps, longWait_);
    for (std::size_t i = 0; i + 1 < periodBounds.size(); ++i)
        report.periods.push_back(
            passengers_.summarize(steps, longWait_, periodBounds[i], periodBounds[i + 1]));
    report.calls = calls_;
    report.messages = messages_;
    report.firstMessage = firstMessage_;
    report.firstMessageStep = firstMessageStep_;
    return report;
}

PressEntries loadRecording(const std::string& path) {
    Building building;
    PressRecorder recorder(building);
    recorder.load(path);
    return recorder.entries();
}

ServiceReport measureService(const PressEntries& recording, const SystemChoice& system,
                             long long steps, bool recordCalls, int longWait,
                             ControllerSession* controller, std::string_view runLabel,
                             const std::vector<int>& periodBounds) {
    // A network's first random weights come from its thread's generator; starting each run
    // from the generator's first value makes a run give the same figures on any thread,
    // whatever ran there before.
    seedRandom(1);
    Simulation sim;
    ServiceMeter meter(sim, recordCalls, longWait);
    sim.setUserInterface(&meter);
    sim.initialise();
    sim.recorder.setEntries(recording);
    sim.recorder.mode = PressRecorder::Playing;
    std::optional<ControllerControlSystem> external;
    if (system.isController()) {
        if (!controller) throw ControllerError("no program runs the controller " + system.name());
        external.emplace(sim.building, sim.settings, sim.hooks(), *controller);
        sim.select(*external);
        controller->beginRun(runLabel);
    } else {
        sim.select(system.kind);
    }
    // The neuro system keeps the network it was built with until told to load one; it runs
    // with solver.img (neuro-ahead with solver-ahead.img), as after pressing Solver Load.
    // Held to one KSU, it runs with that KSU's numbered image instead.
    if (system.isFixedKsu()) {
        if (!loadFixedKsuImage(sim, system))
            throw InputError{system.name() + ": cannot load " + fixedKsuImage(system)};
    } else if (loadsSolverImage(system)) {
        sim.current().command(CmdLoadSolver, nullptr);
    }
    meter.watchRecording();
    for (long long i = 0; i < steps; ++i) {
        meter.beforeStep();
        sim.runStep();
        meter.afterStep();
    }
    ServiceReport report = meter.finish(steps, periodBounds);
    report.system = system;
    sim.setUserInterface(nullptr);
    if (external) controller->endRun(controllerMeasures(report));
    return report;
}

}  // namespace vardeck::study

#pragma once

#include <array>
#include <memory>

#include "model/floors.h"

namespace vardeck {

class Building;
struct Settings;
class UiHooks;

// Scores hall calls made while the system is idle by how few floors the car travels before
// answering them, and keeps the last 2N samples for the adaptation.
class EfficiencyMeter {
public:
    EfficiencyMeter(Building& building, Settings& settings, UiHooks& ui);

    // [floor][direction 0 down, 1 up]; 0 means the call is not measured.
    std::array<std::array<int, 2>, kFloorCount + 1> callStamp{};
    double lastSample = 0;
    std::unique_ptr<double[]> window;
    int windowSize = 0;  // 2N
    int newSamples = 0;

    void stampCall(int floor, int dir);
    void takeSample(int floor, int dir);
    void dropStamps();
    void restart();
    void refill();
    bool checkFull();
    struct Halves {
        double older;
        double newer;
    };
    Halves averages();
    int trend();

private:
    int half() const { return windowSize / 2; }

    Building& building_;
    Settings& settings_;
    UiHooks& ui_;
};

}  // namespace vardeck

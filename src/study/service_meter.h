#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/simulation.h"
#include "study/limits.h"
#include "study/passenger_log.h"
#include "study/system_choice.h"

namespace vardeck {
class ControllerSession;
}

namespace vardeck::study {

struct EfficiencySample {
    int step = 0;
    double value = 0;
};

using PressEntries = std::map<PressKey, PressValue>;

// One hall call: the lamp lit by a press and, when it happened, its answer and the first
// opening at a destination of the recorded caller whose press lit it. Steps, -1 for never.
struct CallRecord {
    int floor = 0;
    int direction = 0;  // the lamp: 1 up, 0 down
    int pressStep = 0;
    int answerStep = -1;
    int destinationStep = -1;
};

// Waiting times of the answered hall calls, in steps.
struct WaitingSummary {
    double mean = 0;
    int percentile95 = 0;  // nearest rank
    int longest = 0;
    double meanOfSquares = 0;
};

// How one control system served one recording.
struct ServiceReport {
    SystemChoice system = SystemKind::Schedule;
    long long steps = 0;
    std::vector<EfficiencySample> samples;
    int floorsTravelled = 0;
    long long doorOpenings = 0;  // times the doors went from closed to open
    long long callsMade = 0;
    long long callsAnswered = 0;
    std::optional<WaitingSummary> waiting;  // none when no call was answered
    long long boarded = 0;                  // recorded callers with destinations who boarded
    long long destinationsReached = 0;
    std::optional<double> destinationTimeMean;  // none when no destination was reached
    int stillWaiting = 0;                       // lit hall lamps at the end
    PassengerSummary passengers;
    // For traffic that changes over the run, the passengers of each period.
    std::vector<PassengerSummary> periods;
    std::vector<CallRecord> calls;  // only when asked for
    long long messages = 0;
    std::string firstMessage;
    int firstMessageStep = 0;

    std::optional<double> efficiencyMean() const;
};

// Watches one simulation as it plays a recording and measures the service the callers get,
// busy traffic included (the efficiency criterion scores only calls made while all is idle).
class ServiceMeter : public UserInterface {
public:
    // With `recordCalls` the report also lists every hall call. A passenger who waits more than
    // `longWait` steps counts as a long wait.
    explicit ServiceMeter(Simulation& sim, bool recordCalls = false,
                          int longWait = kDefaultLongWait);

    // Call once the recording is loaded and the system selected (its played marks cleared).
    void watchRecording();
    // Run the simulation's step between these two.
    void beforeStep();
    void afterStep();
    // `periodBounds`: where each period of the traffic begins, then the end; may be empty.
    ServiceReport finish(long long steps, const std::vector<int>& periodBounds = {}) const;

    void efficiencySampleTaken(int floor, int direction) override;
    void hallCallAdded(int floor, int direction) override;
    void hallCallAnswered(int floor, int direction) override;
    void showMessage(const std::string& text) override;

private:
    using Entry = std::pair<const PressKey, PressValue>;

    static bool lampCanLight(int floor, int direction);

    Simulation& sim_;
    std::vector<EfficiencySample> samples_;
    long long doorOpenings_ = 0;
    long long callsMade_ = 0;
    std::vector<int> waits_;
    // Step of the press of each lit hall lamp, by floor and direction; -1 when not lit.
    std::array<std::array<int, 2>, kFloorCount + 1> pressedAt_{};
    bool recordCalls_ = false;
    std::vector<CallRecord> calls_;
    // The call of each lit lamp, and the call each press lit, by (step, floor, lamp).
    std::array<std::array<int, 2>, kFloorCount + 1> callOfLamp_{};
    std::map<std::array<int, 3>, int> callOfPress_;
    // Recorded callers with destinations who have not boarded yet, by floor and by the way
    // they go (down, up, neither), in key order, so by step. The recorder boards callers only
    // at the car's floor and only those whose way fits the car's, so after a step only those
    // lists are looked at, and only as far as the callers due to board.
    enum Way { Down = 0, Up = 1, Neither = 2 };
    struct Caller {
        const Entry* entry = nullptr;
        int passenger = 0;
    };
    std::array<std::array<std::vector<Caller>, 3>, kFloorCount + 1> notBoarded_;
    void collectBoarded(std::vector<Caller>& waiting);
    PassengerLog passengers_;
    int longWait_ = 0;
    // Riders bound for each floor, waiting for the doors to open there: the step of their
    // hall press and the call it lit (-1 when not recorded).
    struct Rider {
        int pressStep = 0;
        int call = -1;
        int passenger = 0;
    };
    std::array<std::vector<Rider>, kFloorCount + 1> riders_;
    long long boarded_ = 0;
    long long destinationsReached_ = 0;
    long long destinationTimeSum_ = 0;
    long long messages_ = 0;
    std::string firstMessage_;
    int firstMessageStep_ = 0;
    // The car's floor, direction and doors and the step counter when the recorder played back.
    int floorBefore_ = 0;
    int directionBefore_ = 0;
    int stepBefore_ = 0;
    bool doorOpenBefore_ = false;
};

// The entries of a press-sequence file, read as the window's Record > Open reads them.
PressEntries loadRecording(const std::string& path);

// Starts a fresh simulation in the current directory as `vardeck-cli run --play` does, plays
// `recording` under `system` for `steps` steps and measures it. Nothing is written. A run
// depends on nothing but its arguments and the files, so runs may go on side by side.
// A controller's run goes through `controller`, between `run RUNLABEL` and `end MEASURES`.
ServiceReport measureService(const PressEntries& recording, const SystemChoice& system,
                             long long steps, bool recordCalls = false,
                             int longWait = kDefaultLongWait,
                             ControllerSession* controller = nullptr,
                             std::string_view runLabel = "-",
                             const std::vector<int>& periodBounds = {});

}  // namespace vardeck::study

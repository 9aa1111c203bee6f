#pragma once

#include <array>
#include <optional>
#include <vector>

#include "model/floors.h"

namespace vardeck::study {

// The service of every recorded caller, whether the lamp was lit already or not. Times in
// steps. A caller who has not boarded when the run ends counts as waiting until its end.
struct PassengerSummary {
    long long count = 0;
    std::optional<double> waitMean;       // none without passengers
    std::optional<int> waitPercentile95;  // nearest rank
    std::optional<int> waitLongest;
    std::optional<double> longShare;    // share who waited more than the long-wait limit
    std::optional<double> journeyMean;  // press to arrival, for callers who arrived
    long long wrongWay = 0;
    long long unserved = 0;
};

// Follows each recorded caller from the press through boarding to the first opening at one of
// their destinations, and notes who was carried away from every destination on the way.
class PassengerLog {
public:
    // Returns the caller's number.
    int add(int pressStep, const std::array<int, kFloorCount>& buttons);
    void boarded(int passenger, int step);
    // The doors opened at one of the caller's destinations.
    void arrived(int passenger, int step);
    // The car went one floor from `from` to `to` with the boarded callers aboard.
    void carMoved(int from, int to);

    // Counts the callers pressed in steps 0 .. steps-1: those are the traffic of the run.
    // With `from` and `to`, only those pressed in steps from .. to-1 of them.
    PassengerSummary summarize(long long steps, int longWait, long long from = 0,
                               long long to = -1) const;

private:
    struct Passenger {
        int pressStep = 0;
        int boardStep = -1;
        int arriveStep = -1;
        int lowest = 0;  // destinations; 0 when there are none
        int highest = 0;
        bool wrongWay = false;
    };
    bool riding(const Passenger& p) const { return p.boardStep >= 0 && p.arriveStep < 0; }

    std::vector<Passenger> passengers_;
    // Riders by their highest and by their lowest destination: a car going up from floor F
    // carries away everyone whose highest destination is F or below, and going down everyone
    // whose lowest is F or above. Each rider is looked at until flagged or arrived, so the cost
    // per step does not grow with the load.
    std::array<std::vector<int>, kFloorCount + 1> byHighest_;
    std::array<std::vector<int>, kFloorCount + 1> byLowest_;
    void flag(std::vector<int>& riders);
};

}  // namespace vardeck::study

#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "model/floors.h"
#include "record/press_recorder.h"

namespace vardeck::study {

enum class TrafficProfile { UpPeak, DownPeak, InterFloor, Lunch };

// Every profile, in the order the help lists them.
inline constexpr TrafficProfile kTrafficProfiles[] = {
    TrafficProfile::UpPeak, TrafficProfile::DownPeak, TrafficProfile::InterFloor,
    TrafficProfile::Lunch};

std::optional<TrafficProfile> parseTrafficProfile(const std::string& name);
const char* trafficProfileName(TrafficProfile profile);

// Draws from std::mt19937, whose output the language fixes for every seed, through
// distributions of our own: the library's distributions differ between implementations, and a
// seed must give the same file everywhere.
class TrafficRandom {
public:
    explicit TrafficRandom(std::uint32_t seed) : engine_(seed) {}

    std::uint32_t next() { return static_cast<std::uint32_t>(engine_()); }
    // Uniform in 0..bound-1 without modulo bias; bound must be at least 1.
    std::uint32_t below(std::uint32_t bound);
    // Uniform in [0, 1) with 53 random bits.
    double unit();
    bool chance(double probability) { return unit() < probability; }

private:
    std::mt19937 engine_;
};

// A stretch of a day of traffic: its profile, its relative share of the steps and its relative
// weight of demand (calls per step, against the other periods).
struct TrafficPeriod {
    TrafficProfile profile = TrafficProfile::InterFloor;
    double share = 1;
    double weight = 1;

    bool operator==(const TrafficPeriod&) const = default;
};

// Where each period begins, and after them the end (`steps`): period i holds the steps from
// bounds[i] to bounds[i+1]-1, each period its share of the whole, rounded.
std::vector<int> periodBounds(const std::vector<TrafficPeriod>& periods, int steps);

struct TrafficOptions {
    TrafficProfile profile = TrafficProfile::InterFloor;
    // When given, the traffic changes over the run, and `profile` is not used: a step's
    // chance of a call is in proportion to its period's weight, and its callers follow that
    // period's profile. One period draws exactly as its profile alone does.
    std::vector<TrafficPeriod> periods;
    int steps = 1;
    int calls = 0;
    std::uint32_t seed = 1;
    double noDestinationShare = 0;
    // When set, generation gives up as soon as it sees the flag up (the traffic is then cut
    // short and marked stopped).
    const std::atomic<bool>* stop = nullptr;
};

struct GeneratedTraffic {
    std::map<PressKey, PressValue> entries;
    // Callers whose (step, floor, direction) was taken by an earlier caller up to the last step,
    // so that they could not be placed.
    int dropped = 0;
    // Callers moved to a later step because their own was taken.
    int moved = 0;
    // Whether the stop flag cut the traffic short.
    bool stopped = false;
};

// Exactly `calls` callers at uniformly random steps in 0..steps-1 (the arrivals of a Poisson
// process given its count), each with a hall call and its destinations drawn by the profile.
// Takes time in proportion to n log n for n calls, however dense the traffic.
GeneratedTraffic generateTraffic(const TrafficOptions& options);

}  // namespace vardeck::study

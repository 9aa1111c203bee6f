#include "study/traffic_generator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <optional>
#include <vector>

#include "model/floors.h"

namespace vardeck::study {

namespace {

constexpr int kClickableCount = static_cast<int>(std::size(kClickableFloors));

// Shares of the profile's main stream of traffic; the rest is inter-floor traffic.
constexpr double kPeakShare = 0.8;

struct Caller {
    int floor = 0;
    int direction = kHallUp;
    std::vector<int> destinations;
};

int pickClickable(TrafficRandom& random) {
    return kClickableFloors[random.below(kClickableCount)];
}

// A clickable floor other than `excluded`.
int pickClickableExcept(TrafficRandom& random, int excluded) {
    std::vector<int> floors;
    for (int f : kClickableFloors)
        if (f != excluded) floors.push_back(f);
    return floors[random.below(static_cast<std::uint32_t>(floors.size()))];
}

// Mostly one destination; now and then a small group heading for two or three floors.
int extraDestinationCount(TrafficRandom& random) {
    const std::uint32_t r = random.below(20);
    if (r < 15) return 0;
    if (r < 19) return 1;
    return 2;
}

Caller makeCaller(TrafficRandom& random, int from, int to) {
    Caller caller;
    caller.floor = from;
    caller.direction = to > from ? kHallUp : kHallDown;
    caller.destinations.push_back(to);
    std::vector<int> beyond;
    for (int f : kClickableFloors)
        if (f != to && (caller.direction == kHallUp ? f > from : f < from)) beyond.push_back(f);
    for (int n = extraDestinationCount(random); n > 0 && !beyond.empty(); --n) {
        const auto i = random.below(static_cast<std::uint32_t>(beyond.size()));
        caller.destinations.push_back(beyond[i]);
        beyond.erase(beyond.begin() + i);
    }
    return caller;
}

Caller interFloorCaller(TrafficRandom& random) {
    const int from = pickClickable(random);
    return makeCaller(random, from, pickClickableExcept(random, from));
}

Caller drawCaller(TrafficRandom& random, TrafficProfile profile) {
    switch (profile) {
        case TrafficProfile::UpPeak:
            if (!random.chance(kPeakShare)) return interFloorCaller(random);
            return makeCaller(random, kLobbyFloor, pickClickableExcept(random, kLobbyFloor));
        case TrafficProfile::DownPeak:
            if (!random.chance(kPeakShare)) return interFloorCaller(random);
            return makeCaller(random, pickClickableExcept(random, kLobbyFloor), kLobbyFloor);
        case TrafficProfile::Lunch:
            // Four tenths each to and from the common floor, one tenth each from and to the
            // lobby.
            switch (random.below(10)) {
                case 0:
                case 1:
                case 2:
                case 3:
                    return makeCaller(random, pickClickableExcept(random, kCommonFloor),
                                      kCommonFloor);
                case 4:
                case 5:
                case 6:
                case 7:
                    return makeCaller(random, kCommonFloor,
                                      pickClickableExcept(random, kCommonFloor));
                case 8:
                    return makeCaller(random, kLobbyFloor,
                                      pickClickableExcept(random, kLobbyFloor));
                default:
                    return makeCaller(random, pickClickableExcept(random, kLobbyFloor),
                                      kLobbyFloor);
            }
        case TrafficProfile::InterFloor:
        default:
            return interFloorCaller(random);
    }
}

}  // namespace

std::optional<TrafficProfile> parseTrafficProfile(const std::string& name) {
    if (name == "up-peak") return TrafficProfile::UpPeak;
    if (name == "down-peak") return TrafficProfile::DownPeak;
    if (name == "inter-floor") return TrafficProfile::InterFloor;
    if (name == "lunch") return TrafficProfile::Lunch;
    return std::nullopt;
}

const char* trafficProfileName(TrafficProfile profile) {
    switch (profile) {
        case TrafficProfile::UpPeak:
            return "up-peak";
        case TrafficProfile::DownPeak:
            return "down-peak";
        case TrafficProfile::Lunch:
            return "lunch";
        default:
            return "inter-floor";
    }
}

std::uint32_t TrafficRandom::below(std::uint32_t bound) {
    // Draws in the last incomplete run of `bound` values are rejected.
    const std::uint32_t limit = static_cast<std::uint32_t>(-bound) % bound;
    for (;;) {
        const std::uint32_t r = next();
        if (r >= limit) return r % bound;
    }
}

double TrafficRandom::unit() {
    const std::uint32_t high = next() >> 5;  // 27 bits
    const std::uint32_t low = next() >> 6;   // 26 bits
    return (static_cast<double>(high) * 67108864.0 + static_cast<double>(low)) *
           (1.0 / 9007199254740992.0);
}

std::vector<int> periodBounds(const std::vector<TrafficPeriod>& periods, int steps) {
    double total = 0;
    for (const TrafficPeriod& p : periods) total += p.share;
    std::vector<int> bounds{0};
    double sum = 0;
    for (std::size_t i = 0; i < periods.size(); ++i) {
        sum += periods[i].share;
        const int end = i + 1 == periods.size() || !(total > 0)
                            ? steps
                            : static_cast<int>(std::floor(double(steps) * (sum / total) + 0.5));
        bounds.push_back(std::clamp(end, bounds.back(), steps));
    }
    return bounds;
}

namespace {

// The arrival steps of `calls` callers whose chance per step follows the periods' weights:
// a period by its mass (length times weight), then a step of it uniformly.
class DayArrivals {
public:
    DayArrivals(const std::vector<TrafficPeriod>& periods, int steps)
        : bounds_(periodBounds(periods, steps)) {
        double sum = 0;
        for (std::size_t i = 0; i < periods.size(); ++i) {
            sum += double(bounds_[i + 1] - bounds_[i]) * std::max(periods[i].weight, 0.0);
            mass_.push_back(sum);
        }
    }

    int draw(TrafficRandom& random) const {
        if (mass_.size() == 1 || !(mass_.back() > 0))
            return static_cast<int>(random.below(std::uint32_t(bounds_.back())));
        const double u = random.unit() * mass_.back();
        auto i = std::size_t(std::upper_bound(mass_.begin(), mass_.end(), u) - mass_.begin());
        // A product that rounded up to the whole mass falls in the last period that has any.
        while (i >= mass_.size() || (i > 0 && mass_[i] == mass_[i - 1])) --i;
        return bounds_[i] +
               static_cast<int>(random.below(std::uint32_t(bounds_[i + 1] - bounds_[i])));
    }

    // The period of a step.
    std::size_t periodOf(int step) const {
        return std::size_t(std::upper_bound(bounds_.begin() + 1, bounds_.end() - 1, step) -
                           (bounds_.begin() + 1));
    }

private:
    std::vector<int> bounds_;
    std::vector<double> mass_;
};

}  // namespace

GeneratedTraffic generateTraffic(const TrafficOptions& options) {
    TrafficRandom random(options.seed);
    GeneratedTraffic traffic;
    // Looked at every so many callers: often enough to stop at once, rarely enough to cost
    // nothing.
    constexpr std::size_t kStopCheck = 1024;
    const auto stopped = [&](std::size_t i) {
        if (i % kStopCheck != 0 || !options.stop || !options.stop->load()) return false;
        traffic.stopped = true;
        return true;
    };

    std::optional<DayArrivals> day;
    if (!options.periods.empty()) day.emplace(options.periods, options.steps);
    std::vector<int> arrivals(static_cast<std::size_t>(std::max(options.calls, 0)));
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        if (stopped(i)) return traffic;
        arrivals[i] =
            day ? day->draw(random) : static_cast<int>(random.below(std::uint32_t(options.steps)));
    }
    if (stopped(0)) return traffic;
    std::sort(arrivals.begin(), arrivals.end());

    // The last step taken by each floor and direction. Callers come in step order, so the
    // steps taken at a key from the newest caller's step on run without a gap up to that
    // last one: the next free step is the later of the caller's own and the one after it.
    std::array<std::array<int, 2>, kFloorCount + 1> lastTaken;
    for (auto& floor : lastTaken) floor.fill(-1);
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        if (stopped(i)) return traffic;
        const int step = arrivals[i];
        Caller caller = drawCaller(
            random, day ? options.periods[day->periodOf(step)].profile : options.profile);
        // Drawn for every caller, whatever the share, so that changing the share changes only
        // the destinations and never the calls themselves.
        if (random.chance(options.noDestinationShare)) caller.destinations.clear();

        // The recorder keeps one entry per key: a caller whose key is taken presses in the
        // next step that is free.
        int& last = lastTaken[std::size_t(caller.floor)][std::size_t(caller.direction)];
        const int placed = std::max(step, last + 1);
        if (placed >= options.steps) {
            ++traffic.dropped;
            continue;
        }
        if (placed != step) ++traffic.moved;
        last = placed;
        PressValue value;
        for (int f : caller.destinations) value.buttons[f - 1] = 1;
        traffic.entries.emplace_hint(traffic.entries.end(),
                                     PressKey{placed, caller.floor, caller.direction}, value);
    }
    return traffic;
}

}  // namespace vardeck::study

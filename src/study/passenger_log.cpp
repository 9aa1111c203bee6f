#include "study/passenger_log.h"

#include <algorithm>
#include <cmath>

#include "study/statistics.h"

namespace vardeck::study {

int PassengerLog::add(int pressStep, const std::array<int, kFloorCount>& buttons) {
    Passenger p;
    p.pressStep = pressStep;
    for (int f = 1; f <= kFloorCount; ++f) {
        if (buttons[f - 1] == 0) continue;
        if (p.lowest == 0) p.lowest = f;
        p.highest = f;
    }
    passengers_.push_back(p);
    return static_cast<int>(passengers_.size()) - 1;
}

void PassengerLog::boarded(int passenger, int step) {
    Passenger& p = passengers_[passenger];
    p.boardStep = step;
    if (p.highest == 0) {
        // No destination: the caller's ride is not followed.
        p.arriveStep = step;
        return;
    }
    byHighest_[p.highest].push_back(passenger);
    byLowest_[p.lowest].push_back(passenger);
}

void PassengerLog::arrived(int passenger, int step) {
    Passenger& p = passengers_[passenger];
    if (p.arriveStep < 0) p.arriveStep = step;
}

void PassengerLog::flag(std::vector<int>& riders) {
    for (int i : riders) {
        Passenger& p = passengers_[i];
        if (riding(p)) p.wrongWay = true;
    }
    riders.clear();
}

void PassengerLog::carMoved(int from, int to) {
    if (!isFloor(from) || !isFloor(to) || from == to) return;
    if (to > from)
        for (int f = 1; f <= from; ++f) flag(byHighest_[f]);
    else
        for (int f = from; f <= kFloorCount; ++f) flag(byLowest_[f]);
}

PassengerSummary PassengerLog::summarize(long long steps, int longWait, long long from,
                                         long long to) const {
    if (to < 0) to = steps;
    PassengerSummary s;
    std::vector<long long> waits;
    long long journeys = 0;
    double journeySum = 0;
    for (const Passenger& p : passengers_) {
        if (p.pressStep < std::max(from, 0LL) || p.pressStep >= std::min(steps, to)) continue;
        const long long wait = p.boardStep >= 0 ? p.boardStep - p.pressStep : steps - p.pressStep;
        waits.push_back(wait);
        if (p.boardStep < 0) ++s.unserved;
        if (p.wrongWay) ++s.wrongWay;
        if (p.highest != 0 && p.boardStep >= 0 && p.arriveStep >= 0) {
            ++journeys;
            journeySum += double(p.arriveStep - p.pressStep);
        }
    }
    s.count = static_cast<long long>(waits.size());
    if (journeys > 0) s.journeyMean = journeySum / double(journeys);
    if (waits.empty()) return s;

    double sum = 0;
    long long longOnes = 0;
    for (long long w : waits) {
        sum += double(w);
        if (w > longWait) ++longOnes;
    }
    const double n = double(waits.size());
    s.waitMean = sum / n;
    s.longShare = double(longOnes) / n;
    s.waitPercentile95 = static_cast<int>(nearestRank(waits, 0.95));
    s.waitLongest = static_cast<int>(*std::max_element(waits.begin(), waits.end()));
    return s;
}

}  // namespace vardeck::study

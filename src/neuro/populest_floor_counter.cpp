#include "neuro/populest_floor_counter.h"

#include <array>

#include "control/settings.h"
#include "model/floors.h"

namespace vardeck {

void PopulestFloorCounter::start() {
    size = settings_.populestHistoryLength();
    history = std::make_unique<int[]>(size);
    reset();
}

void PopulestFloorCounter::reset() {
    if (size == 0) return;
    for (int i = 0; i < size; ++i) history[i] = 0;
    history[size - 1] = settings_.populestFloor;
    dirty = 0;
    lastResult = settings_.populestFloor;
}

void PopulestFloorCounter::record(int floor) {
    if (size == 0) return;
    for (int i = 0; i + 1 < size; ++i) history[i] = history[i + 1];
    history[size - 1] = floor;
    dirty = 1;
}

int PopulestFloorCounter::count() {
    if (dirty == 0) return lastResult;
    std::array<int, kFloorCount + 1> tally{};
    for (int i = 0; i < size; ++i)
        if (isFloor(history[i])) ++tally[history[i]];
    int result = 0;
    for (int f = 1; f <= kFloorCount; ++f)
        if (tally[f] > tally[result]) result = f;  // strict: the lowest floor wins a tie
    dirty = 0;
    if (settings_.constPopulest != 0) result = settings_.constPopulest;
    lastResult = result;
    settings_.populestFloor = result;
    return result;
}

}  // namespace vardeck

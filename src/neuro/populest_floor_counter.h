#pragma once

#include <memory>

namespace vardeck {

struct Settings;

// Floors of the most recent new hall calls, and the floor where most of them arose.
class PopulestFloorCounter {
public:
    explicit PopulestFloorCounter(Settings& settings) : settings_(settings) {}

    std::unique_ptr<int[]> history;  // oldest first; 0 is an empty slot
    int size = 0;
    int dirty = 0;
    int lastResult = 0;

    void start();
    void reset();
    void record(int floor);
    int count();

private:
    Settings& settings_;
};

}  // namespace vardeck

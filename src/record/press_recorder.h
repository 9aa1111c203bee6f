#pragma once

#include <array>
#include <map>
#include <set>
#include <string>

#include "model/floors.h"

namespace vardeck {

class Building;

struct PressKey {
    int step = 0;
    int floor = 0;
    int direction = 0;

    friend auto operator<=>(const PressKey&, const PressKey&) = default;
};

struct PressValue {
    std::array<int, kFloorCount> buttons{};  // floors 1..28 at index 0..27
    bool played = false;
};

// Turns clicks into presses on the building, records them against the simulation step, saves
// and loads recordings, and plays them back: hall calls at their step, destinations when the
// caller boards.
class PressRecorder {
public:
    enum Mode { Off = 0, Playing = 1, Recording = 2 };

    explicit PressRecorder(Building& building) : building_(building) {}

    int mode = Off;
    std::string fileName;
    PressValue pendingValue;
    PressKey pendingKey;

    void click(int x, int y, int bottom, int stepCounter);
    void commit();
    void playback(int stepCounter);
    void clearPlayed();
    void clear();
    // Clears the recording, then reads the complete entries of the file. A file that cannot be
    // opened, is no regular file or is larger than kPressFileLimit leaves the recording empty and
    // returns false, with errno telling why: the system's reason, EISDIR for a folder, EINVAL
    // for another file that is no regular file, EFBIG for one too large.
    bool load(const std::string& path);
    // Returns false when the file could not be written; the previous file then stays.
    bool save(const std::string& path);
    bool save() { return save(fileName); }

    // The recording, in key order.
    const std::map<PressKey, PressValue>& entries() const { return entries_; }
    // Replaces the recording; the file name stays.
    void setEntries(std::map<PressKey, PressValue> entries);
    // Adds an entry unless the recording holds its key already; returns whether it was added.
    bool addEntry(const PressKey& key, const PressValue& value);

    // The mode text drawn beside the building.
    const char* modeText() const;

private:
    void rebuildWaiting();
    void board(const PressKey& key);

    Building& building_;
    std::map<PressKey, PressValue> entries_;
    // Entries whose destinations wait for their caller to board, by floor: all of them, the up
    // callers and the down callers. `playback` looks only at the car's floor, so it never scans
    // the whole recording.
    struct Waiting {
        std::set<PressKey> any, up, down;
    };
    std::array<Waiting, kFloorCount + 1> waiting_;
};

}  // namespace vardeck

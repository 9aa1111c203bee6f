#include "record/press_recorder.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>
#include <vector>

#include "io/atomic_file.h"
#include "io/input_file.h"
#include "model/building.h"
#include "model/map_click.h"

namespace vardeck {

void PressRecorder::click(int x, int y, int bottom, int stepCounter) {
    const ClickTarget target = mapClick(x, y, bottom);
    if (target.kind == ClickTarget::CarButton) {
        building_.car.pressButton(target.floor);
        if (mode == Recording) pendingValue.buttons[target.floor - 1] = 1;
    } else if (target.kind == ClickTarget::HallButton) {
        commit();
        const int direction = target.up ? 1 : 0;
        building_.hallPanel.press(target.floor, direction);
        if (mode == Recording) pendingKey = {stepCounter, target.floor, direction};
    }
}

void PressRecorder::commit() {
    if (mode != Recording || pendingKey.floor == 0) return;
    // The caller's destinations are pressed again when the caller boards on playback.
    building_.car.buttons.fill(0);
    addEntry(pendingKey, PressValue{pendingValue.buttons, false});
    pendingKey = {};
    pendingValue = {};
}

void PressRecorder::setEntries(std::map<PressKey, PressValue> entries) {
    entries_ = std::move(entries);
    rebuildWaiting();
}

bool PressRecorder::addEntry(const PressKey& key, const PressValue& value) {
    if (!entries_.emplace(key, value).second) return false;
    if (!value.played && isFloor(key.floor)) {
        Waiting& w = waiting_[key.floor];
        w.any.insert(key);
        if (key.direction == 1) w.up.insert(key);
        if (key.direction == 0) w.down.insert(key);
    }
    return true;
}

void PressRecorder::rebuildWaiting() {
    for (Waiting& w : waiting_) {
        w.any.clear();
        w.up.clear();
        w.down.clear();
    }
    for (const auto& [key, value] : entries_) {
        if (value.played || !isFloor(key.floor)) continue;
        Waiting& w = waiting_[key.floor];
        w.any.insert(key);
        if (key.direction == 1) w.up.insert(key);
        if (key.direction == 0) w.down.insert(key);
    }
}

void PressRecorder::board(const PressKey& key) {
    PressValue& value = entries_.at(key);
    for (int f = 1; f <= kFloorCount; ++f)
        if (value.buttons[f - 1] != 0) building_.car.pressButton(f);
    value.played = true;
    Waiting& w = waiting_[key.floor];
    w.any.erase(key);
    w.up.erase(key);
    w.down.erase(key);
}

void PressRecorder::playback(int stepCounter) {
    if (mode == Off) return;

    // Hall calls due now, in key order. Pressing may not change the recording, so the range
    // stays valid.
    for (auto it = entries_.lower_bound(PressKey{stepCounter, INT_MIN, INT_MIN});
         it != entries_.end() && it->first.step == stepCounter; ++it)
        building_.hallPanel.press(it->first.floor, it->first.direction);

    // Boarding at the car's floor, in key order, for callers whose way fits the car's.
    const Car& car = building_.car;
    if (!isFloor(car.floor)) return;
    const Waiting& w = waiting_[car.floor];
    const std::set<PressKey>* candidates = nullptr;
    if (car.direction == kNone)
        candidates = &w.any;
    else if (car.direction == kUp)
        candidates = &w.up;
    else if (car.direction == kDown)
        candidates = &w.down;
    if (!candidates) return;
    std::vector<PressKey> boarding;
    for (const PressKey& key : *candidates) {
        if (key.step >= stepCounter) break;  // keys are ordered by step first
        boarding.push_back(key);
    }
    for (const PressKey& key : boarding) board(key);
}

void PressRecorder::clearPlayed() {
    for (auto& [key, value] : entries_) value.played = false;
    rebuildWaiting();
}

void PressRecorder::clear() {
    fileName.clear();
    entries_.clear();
    rebuildWaiting();
}

bool PressRecorder::load(const std::string& path) {
    clear();
    const InputFile input(path, kPressFileLimit);
    if (!input.ok()) {
        errno = input.error();
        return false;
    }
    std::FILE* file = input.get();
    int count = 0;
    if (std::fscanf(file, "%d\n", &count) == 1) {
        // Entries are read while they are complete; a short or damaged file keeps what came
        // before the damage.
        for (int i = 0; i < count; ++i) {
            PressKey key;
            PressValue value;
            int* b = value.buttons.data();
            if (std::fscanf(file, "%d %d %d", &key.step, &key.floor, &key.direction) != 3) break;
            if (std::fscanf(file, "    %d %d %d %d %d %d %d %d %d %d", &b[0], &b[1], &b[2], &b[3],
                            &b[4], &b[5], &b[6], &b[7], &b[8], &b[9]) != 10)
                break;
            if (std::fscanf(file, " %d %d %d %d %d %d %d %d %d %d", &b[10], &b[11], &b[12], &b[13],
                            &b[14], &b[15], &b[16], &b[17], &b[18], &b[19]) != 10)
                break;
            if (std::fscanf(file, " %d %d %d %d %d %d %d %d\n", &b[20], &b[21], &b[22], &b[23],
                            &b[24], &b[25], &b[26], &b[27]) != 8)
                break;
            addEntry(key, value);
        }
    }
    fileName = path;
    return true;
}

bool PressRecorder::save(const std::string& path) {
    const bool written = writeFileAtomically(path, [this](std::FILE* file) {
        if (std::fprintf(file, "%d", static_cast<int>(entries_.size())) < 0) return false;
        for (const auto& [key, value] : entries_) {
            if (std::fprintf(file, "\n%d %d %d   ", key.step, key.floor, key.direction) < 0)
                return false;
            for (int b : value.buttons)
                if (std::fprintf(file, " %d", b) < 0) return false;
        }
        return true;
    });
    if (written) fileName = path;
    return written;
}

const char* PressRecorder::modeText() const {
    switch (mode) {
        case Playing:
            return "Повтор";
        case Recording:
            return "Запись";
        default:
            return "";
    }
}

}  // namespace vardeck

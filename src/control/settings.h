#pragma once

#include <algorithm>
#include <string>

namespace vardeck {

inline constexpr const char* kSettingsFileName = "vardeck.cfg";

// The tunable values of the program and the results carried from one run to the next.
struct Settings {
    int timeDelay = 0;
    int stepToCountPopulestFloor = 0;
    float teacherKsuStep = 0;
    int elemToCheckNeedToAdapt = 0;
    float tresholdToCheckNeedToAdapt = 0;
    float ksu = 0;
    int ksuWhereChanged = 0;
    int efficiencyCriteriaWhereChanged = 0;
    int populestFloor = 0;
    int constPopulest = 0;
    float efficiencyCriteria = 0;

    void setDefaults();
    // 0 when the file was opened, 1 when it could not be (the record is then unchanged).
    int loadSettings(const std::string& path = kSettingsFileName);
    // 0 on success, 1 when the file could not be written (the previous file stays).
    int saveSettings(const std::string& path = kSettingsFileName) const;

    // The sample window and the floor history need at least one entry; a damaged file must not
    // make them larger than memory allows.
    static constexpr int kMaxHistory = 1'000'000;
    int samplesPerHalfWindow() const { return std::clamp(elemToCheckNeedToAdapt, 1, kMaxHistory); }
    int populestHistoryLength() const {
        return std::clamp(stepToCountPopulestFloor, 1, kMaxHistory);
    }
};

}  // namespace vardeck

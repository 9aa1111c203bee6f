#pragma once

#include <string>
#include <vector>

#include "io/file_limits.h"
#include "study/traffic_generator.h"

namespace vardeck::study {

// A day file holds a handful of lines; ten times a long one still fits.
inline constexpr FileSizeLimit kDayFileLimit{std::size_t{64} << 10, "64 KB"};
inline constexpr std::size_t kMaxDayPeriods = 1000;

// The traffic of a study's cell: a stationary profile, the built-in day, or a day described
// in a user's file, named by its path (which ends in ".day"). Profiles are told apart by name.
struct StudyProfile {
    std::string name;
    std::vector<TrafficPeriod> periods;  // one for a stationary profile

    StudyProfile() = default;
    // Lets a stationary profile stand wherever a study's profile does.
    StudyProfile(TrafficProfile profile);  // NOLINT(google-explicit-constructor)
    StudyProfile(std::string profileName, std::vector<TrafficPeriod> dayPeriods)
        : name(std::move(profileName)), periods(std::move(dayPeriods)) {}

    // Whether the traffic changes over the run: the built-in day or a day file.
    bool isDay() const;
    bool fromFile() const;
    bool operator==(const StudyProfile& other) const { return name == other.name; }
};

// The built-in day of an office building, period by period.
const std::vector<TrafficPeriod>& builtInDayPeriods();
// What the built-in day calls its periods, in order.
const std::vector<std::string>& builtInDayPeriodNames();

// Whether a profile's name is that of a day file.
bool isDayFileName(const std::string& name);

// A stationary profile, "day", or a day file, read now. Throws InputError.
StudyProfile studyProfileNamed(const std::string& name);

// Reads a day file: one period a line, "PROFILE SHARE WEIGHT", with # comments and blank lines.
// Throws InputError naming the file, the line and the reason.
std::vector<TrafficPeriod> readDayFile(const std::string& path);

// The periods as one line of text ("up-peak 0.15 2;inter-floor 0.25 0.4"), and back; the
// parser throws InputError.
std::string periodsText(const std::vector<TrafficPeriod>& periods);
std::vector<TrafficPeriod> parsePeriodsText(const std::string& text);

// A period's name in tables: the built-in day's own, otherwise its number and profile.
std::string periodLabel(const StudyProfile& profile, std::size_t period);

}  // namespace vardeck::study

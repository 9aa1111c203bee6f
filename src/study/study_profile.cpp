#include "study/study_profile.h"

#include <algorithm>
#include <sstream>

#include "io/input_file.h"
#include "io/text_scanner.h"
#include "study/input_error.h"
#include "study/number_text.h"
#include "study/study_plan.h"

namespace vardeck::study {

namespace {

constexpr const char* kDayName = "day";
constexpr const char* kDayExtension = ".day";

// One period from its three fields; the reason it is wrong otherwise.
std::string parsePeriod(const std::vector<std::string>& fields, TrafficPeriod& period) {
    if (fields.size() != 3)
        return "a period is three fields, PROFILE SHARE WEIGHT, not " +
               std::to_string(fields.size());
    const auto profile = parseTrafficProfile(fields[0]);
    if (!profile)
        return "unknown profile '" + fields[0] + "' (up-peak, down-peak, inter-floor or lunch)";
    // Bounded, so that no sum of shares or of steps times weights overflows.
    constexpr double kMost = 1e6;
    const auto share = parseNumber(fields[1]);
    if (!share || !(*share > 0) || *share > kMost)
        return "the share '" + fields[1] + "' is no number above 0 and up to 1000000";
    const auto weight = parseNumber(fields[2]);
    if (!weight || *weight > kMost)
        return "the weight '" + fields[2] + "' is no number from 0 to 1000000";
    period = {*profile, *share, *weight};
    return {};
}

std::string checkDay(const std::vector<TrafficPeriod>& periods) {
    if (periods.empty()) return "no period";
    if (periods.size() > kMaxDayPeriods)
        return "more than " + std::to_string(kMaxDayPeriods) + " periods";
    double total = 0;
    for (const TrafficPeriod& p : periods) total += p.share * p.weight;
    if (!(total > 0)) return "every period has the weight 0, so the day has no call";
    return {};
}

std::vector<std::string> fieldsOf(std::string_view line) {
    std::vector<std::string> fields;
    std::istringstream words{std::string(line)};
    for (std::string word; words >> word;) fields.push_back(word);
    return fields;
}

}  // namespace

StudyProfile::StudyProfile(TrafficProfile profile)
    : name(trafficProfileName(profile)), periods{{profile, 1, 1}} {}

bool StudyProfile::isDay() const {
    return name == kDayName || fromFile();
}

bool StudyProfile::fromFile() const {
    return isDayFileName(name);
}

const std::vector<TrafficPeriod>& builtInDayPeriods() {
    // Shares of the day and demand relative to the day's mean; see the README.
    static const std::vector<TrafficPeriod> periods = {{TrafficProfile::UpPeak, 0.15, 2},
                                                       {TrafficProfile::InterFloor, 0.25, 0.4},
                                                       {TrafficProfile::Lunch, 0.2, 1},
                                                       {TrafficProfile::InterFloor, 0.25, 0.4},
                                                       {TrafficProfile::DownPeak, 0.15, 2}};
    return periods;
}

const std::vector<std::string>& builtInDayPeriodNames() {
    static const std::vector<std::string> names = {"morning up-peak", "inter-floor", "lunch",
                                                   "afternoon inter-floor", "evening down-peak"};
    return names;
}

bool isDayFileName(const std::string& name) {
    const std::size_t n = std::char_traits<char>::length(kDayExtension);
    return name.size() > n && name.compare(name.size() - n, n, kDayExtension) == 0;
}

StudyProfile studyProfileNamed(const std::string& name) {
    if (name == kDayName) return {name, builtInDayPeriods()};
    if (isDayFileName(name)) return {name, readDayFile(name)};
    const auto profile = parseTrafficProfile(name);
    if (!profile)
        throw InputError{"unknown profile '" + name +
                         "' (up-peak, down-peak, inter-floor, lunch, day or a FILE.day)"};
    return *profile;
}

std::vector<TrafficPeriod> readDayFile(const std::string& path) {
    const std::string where = "'" + path + "'";
    for (const char c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == '"' || c == ',')
            throw InputError{"the day file name " + where +
                             " has a comma, a quote or a control character"};
    InputFile file(path, kDayFileLimit);
    std::string text;
    if (!file.ok() || file.readAll(text) != FileReadResult::Ok)
        throw InputError{where + " " + file.problem()};
    if (text.find('\0') != std::string::npos)
        throw InputError{where + " is no text file (it holds a zero byte)"};
    std::vector<TrafficPeriod> periods;
    TextScanner scanner(text);
    std::string_view line;
    for (long long number = 1; scanner.readLine(line); ++number) {
        line = line.substr(0, line.find('#'));
        const std::vector<std::string> fields = fieldsOf(line);
        if (fields.empty()) continue;
        TrafficPeriod period;
        if (const std::string problem = parsePeriod(fields, period); !problem.empty())
            throw InputError{where + " line " + std::to_string(number) + ": " + problem};
        periods.push_back(period);
        if (periods.size() > kMaxDayPeriods) break;
    }
    if (const std::string problem = checkDay(periods); !problem.empty())
        throw InputError{where + ": " + problem};
    return periods;
}

std::string periodsText(const std::vector<TrafficPeriod>& periods) {
    std::string text;
    for (const TrafficPeriod& p : periods)
        text += (text.empty() ? "" : ";") + std::string(trafficProfileName(p.profile)) + " " +
                shortestNumber(p.share) + " " + shortestNumber(p.weight);
    return text;
}

std::vector<TrafficPeriod> parsePeriodsText(const std::string& text) {
    std::vector<TrafficPeriod> periods;
    std::size_t start = 0;
    while (start <= text.size() && periods.size() <= kMaxDayPeriods) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        TrafficPeriod period;
        if (const std::string problem =
                parsePeriod(fieldsOf(text.substr(start, end - start)), period);
            !problem.empty())
            throw InputError{"bad day '" + text + "': " + problem};
        periods.push_back(period);
        start = end + 1;
    }
    if (const std::string problem = checkDay(periods); !problem.empty())
        throw InputError{"bad day '" + text + "': " + problem};
    return periods;
}

std::string periodLabel(const StudyProfile& profile, std::size_t period) {
    if (profile.name == kDayName && period < builtInDayPeriodNames().size())
        return builtInDayPeriodNames()[period];
    return std::to_string(period + 1) + " " +
           trafficProfileName(profile.periods.at(period).profile);
}

}  // namespace vardeck::study

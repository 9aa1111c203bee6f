#include "study/study_plan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <utility>

#include "study/comma_list.h"
#include "study/number_text.h"
#include "study/plan_check.h"
#include "study/system_choice.h"
#include "study/version.h"

namespace vardeck::study {

namespace {

constexpr const char* kHeader = "vardeck study";

std::vector<std::string> splitList(const std::string& list, const char* what) {
    if (list.empty()) throw StudyError{std::string("the list of ") + what + " is empty"};
    std::vector<std::string> items = splitCommas(list);
    for (const std::string& item : items)
        if (item.empty())
            throw StudyError{std::string("the list of ") + what + " '" + list +
                             "' has an empty item"};
    return items;
}

std::uint64_t fnv1a(std::uint64_t hash, const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

constexpr std::uint64_t kFnvStart = 0xcbf29ce484222325ULL;

// Hashes what `fd` gives, up to `limit` bytes; false when `stop` went up first.
bool hashFile(int fd, long long limit, const std::atomic<bool>* stop, std::uint64_t& hash) {
    std::vector<char> buffer(1 << 16);
    long long total = 0;
    while (total < limit) {
        if (stop && stop->load()) return false;
        const auto wanted = std::size_t(std::min<long long>(limit - total, buffer.size()));
        const ssize_t got = ::read(fd, buffer.data(), wanted);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // the end, or a file that cannot be read further
        hash = fnv1a(hash, buffer.data(), std::size_t(got));
        total += got;
    }
    return true;
}

std::string hexText(std::uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace

std::string shortestNumber(double value) {
    // Room for the 309 digits of the largest double written out.
    char buffer[400];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return error == std::errc{} ? std::string(buffer, end) : std::string("nan");
}

std::vector<StudyProfile> parseProfileList(const std::string& list) {
    std::vector<StudyProfile> profiles;
    for (const std::string& name : splitList(list, "profiles")) {
        if (std::find_if(profiles.begin(), profiles.end(),
                         [&](const StudyProfile& p) { return p.name == name; }) != profiles.end())
            throw StudyError{"the profile '" + name + "' is listed twice"};
        try {
            profiles.push_back(studyProfileNamed(name));
        } catch (const InputError& error) {
            throw StudyError{error.message};
        }
    }
    return profiles;
}

namespace {

// The profiles of a study.txt: a day file's periods come from its day-files line, in order.
std::vector<StudyProfile> profilesAsRead(const std::string& list,
                                         const std::vector<std::string>& dayFiles) {
    std::vector<StudyProfile> profiles;
    std::size_t nextDay = 0;
    for (const std::string& name : splitList(list, "profiles")) {
        if (!isDayFileName(name)) {
            profiles.push_back(studyProfileNamed(name));
        } else if (nextDay < dayFiles.size()) {
            profiles.emplace_back(name, parsePeriodsText(dayFiles[nextDay++]));
        } else {
            throw StudyError{"the day file '" + name + "' has no periods"};
        }
        if (std::count(profiles.begin(), profiles.end(), profiles.back()) > 1)
            throw StudyError{"the profile '" + name + "' is listed twice"};
    }
    if (nextDay != dayFiles.size()) throw StudyError{"more day files than profiles"};
    return profiles;
}

}  // namespace

std::vector<double> parseDemandList(const std::string& list) {
    std::vector<std::pair<double, std::string>> items;
    for (const std::string& text : splitList(list, "demands")) {
        const auto value = parseNumber(text);
        if (!value || !(*value > 0) || text.find_first_not_of("0123456789.") != std::string::npos)
            throw StudyError{"a demand is a positive number of calls per 1000 steps, not '" + text +
                             "'"};
        items.emplace_back(*value, text);
    }
    // Sorted first, so that a long list is checked for repeats in n log n.
    std::stable_sort(items.begin(), items.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<double> demands;
    for (const auto& [value, text] : items) {
        if (!demands.empty() && demands.back() == value)
            throw StudyError{"the demand " + text + " is listed twice"};
        demands.push_back(value);
    }
    return demands;
}

std::vector<SystemChoice> parseStudySystems(const std::string& list,
                                            const std::vector<std::string>& controllers) {
    splitList(list, "systems");
    try {
        return parseSystemList(list, controllers);
    } catch (const InputError& error) {
        throw StudyError{error.message};
    }
}

Shard parseShard(const std::string& text) {
    const std::size_t slash = text.find('/');
    const auto whole = [](const std::string& digits) -> std::optional<long long> {
        if (digits.empty() || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != digits.npos)
            return std::nullopt;
        return parseInteger(digits);
    };
    const auto number = whole(text.substr(0, slash));
    const auto count = slash == std::string::npos ? std::nullopt : whole(text.substr(slash + 1));
    if (!number || !count || *number < 1 || *number > *count)
        throw StudyError{"a shard is K/N with 1 <= K <= N, not '" + text + "'"};
    return {std::size_t(*number), std::size_t(*count)};
}

std::size_t StudyPlan::runCount() const {
    return profiles.size() * demands.size() * seeds * systems.size();
}

bool StudyPlan::runCountWithin(std::size_t limit) const {
    std::size_t count = 1;
    for (const std::size_t factor : {profiles.size(), demands.size(), seeds, systems.size()}) {
        if (factor == 0) return true;
        if (count > limit / factor) return false;
        count *= factor;
    }
    return count <= limit;
}

StudyRun StudyPlan::run(std::size_t index) const {
    StudyRun r;
    r.index = index;
    r.system = systems[index % systems.size()];
    index /= systems.size();
    r.seed = static_cast<std::uint32_t>(firstSeed + index % seeds);
    index /= seeds;
    r.demand = demands[index % demands.size()];
    r.profile = profiles[index / demands.size()];
    return r;
}

std::optional<SystemChoice> StudyPlan::systemNamed(const std::string& name) const {
    for (const SystemChoice& system : systems)
        if (system.name() == name) return system;
    return std::nullopt;
}

std::optional<std::size_t> StudyPlan::indexOf(const StudyProfile& profile, double demand,
                                              std::uint32_t seed,
                                              const SystemChoice& system) const {
    const auto p = std::find(profiles.begin(), profiles.end(), profile);
    const auto d = std::find(demands.begin(), demands.end(), demand);
    const auto s = std::find(systems.begin(), systems.end(), system);
    if (p == profiles.end() || d == demands.end() || s == systems.end() || seed < firstSeed ||
        seed - firstSeed >= seeds)
        return std::nullopt;
    std::size_t index = std::size_t(p - profiles.begin());
    index = index * demands.size() + std::size_t(d - demands.begin());
    index = index * seeds + (seed - firstSeed);
    return index * systems.size() + std::size_t(s - systems.begin());
}

int StudyPlan::callsFor(double demand) const {
    constexpr int kCap = 2'000'000'000;
    // demand = digits / 10^decimals, so calls = digits x steps / (1000 x 10^decimals), in
    // whole numbers. The shortest text has at most 17 significant digits.
    const std::string text = shortestNumber(demand);
    const std::size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.size() > 12) return kCap;
    if (fraction.size() > 24) return 0;  // below 1e-12 calls per step
    unsigned __int128 digits = 0;
    for (const char c : whole + fraction) digits = digits * 10 + unsigned(c - '0');
    unsigned __int128 divisor = 1000;
    for (std::size_t i = 0; i < fraction.size(); ++i) divisor *= 10;
    const unsigned __int128 product = digits * unsigned(std::max(steps, 0));
    unsigned __int128 calls = product / divisor;
    if (2 * (product % divisor) >= divisor) ++calls;
    return calls > unsigned(kCap) ? kCap : static_cast<int>(calls);
}

TrafficOptions StudyPlan::traffic(const StudyRun& run) const {
    TrafficOptions options;
    options.profile = run.profile.periods.front().profile;
    if (run.profile.isDay()) options.periods = run.profile.periods;
    options.steps = steps;
    options.calls = callsFor(run.demand);
    options.seed = run.seed;
    options.noDestinationShare = noDestinationShare;
    return options;
}

std::vector<int> StudyPlan::periodBoundsOf(const StudyProfile& profile) const {
    return profile.isDay() ? periodBounds(profile.periods, steps) : std::vector<int>{};
}

bool StudyPlan::hasDayProfile() const {
    return std::any_of(profiles.begin(), profiles.end(),
                       [](const StudyProfile& p) { return p.isDay(); });
}

std::string StudyPlan::describe(const std::optional<Shard>& shard) const {
    std::ostringstream text;
    text << kHeader << "\n"
         << "version " << kProgramVersion << "\n"
         << "profiles "
         << joinList(profiles, ",", [](const StudyProfile& p) { return p.name; }) << "\n";
    std::string dayFiles;
    for (const StudyProfile& p : profiles)
        if (p.fromFile()) dayFiles += (dayFiles.empty() ? "" : ",") + periodsText(p.periods);
    if (!dayFiles.empty()) text << "day-files " << dayFiles << "\n";
    text << "demands " << joinList(demands, ",", shortestNumber) << "\n"
         << "seeds " << seeds << "\n"
         << "first-seed " << firstSeed << "\n"
         << "steps " << steps << "\n"
         << "no-destination-share " << shortestNumber(noDestinationShare) << "\n"
         << "systems " << joinList(systems, ",", [](const SystemChoice& s) { return s.name(); })
         << "\n"
         << "baseline " << baseline.name() << "\n"
         << "calls " << (calls ? 1 : 0) << "\n"
         << "long-wait " << longWait << "\n"
         << "data " << dataFingerprint << "\n";
    for (const auto& c : controllers)
        text << "controller " << c.name << " " << c.fingerprint << " " << c.command << "\n";
    text << "program " << program << "\n";
    if (!host.empty()) text << "host " << host << "\n";
    if (shard) text << "shard " << shard->number << "/" << shard->count << "\n";
    return text.str();
}

StudyPlan StudyPlan::parse(const std::string& text, std::optional<Shard>* shard) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader) throw StudyError{"not a study.txt file", 1};
    // Each value with the number of its line.
    std::map<std::string, std::pair<std::string, long long>> values;
    StudyPlan plan;
    std::vector<std::string> controllerNames;
    std::vector<long long> controllerLines;
    for (long long number = 2; std::getline(lines, line); ++number) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos) throw StudyError{"damaged line '" + line + "'", number};
        // One line per controller: NAME FINGERPRINT COMMAND.
        if (line.compare(0, space, "controller") == 0) {
            std::istringstream words(line.substr(space + 1));
            std::string name, fingerprint, command;
            words >> name >> fingerprint;
            std::getline(words, command);
            ControllerSet::Controller c;
            try {
                // The checks of --controller, so that no study.txt gives a command it refuses.
                c = parseController(name + "=" + command);
            } catch (const InputError&) {
            }
            if (c.name != name || fingerprint.size() != 16 ||
                fingerprint.find_first_not_of("0123456789abcdef") != std::string::npos ||
                std::count(controllerNames.begin(), controllerNames.end(), c.name) != 0)
                throw StudyError{"damaged line " + quotedLine(line), number};
            c.fingerprint = fingerprint;
            controllerNames.push_back(c.name);
            plan.controllers.push_back(std::move(c));
            controllerLines.push_back(number);
            continue;
        }
        if (!values.emplace(line.substr(0, space), std::pair(line.substr(space + 1), number))
                 .second)
            throw StudyError{"the line '" + line + "' comes twice", number};
    }
    std::map<std::string, long long> lineOf;
    for (const auto& [key, value] : values) lineOf[key] = value.second;
    // A fault of the value under `key`, on its line.
    const auto refuse = [&](const std::string& key, const std::string& message) {
        return StudyError{message, lineOf.count(key) ? lineOf.at(key) : 0};
    };
    const auto take = [&](const char* key) {
        const auto it = values.find(key);
        if (it == values.end()) throw StudyError{std::string("the line '") + key + "' is missing"};
        std::string value = it->second.first;
        values.erase(it);
        return value;
    };
    const auto whole = [&](const char* key, long long min, long long max) {
        const std::string value = take(key);
        const auto number = parseInteger(value);
        if (!number || *number < min || *number > max)
            throw refuse(key, std::string("bad ") + key + " '" + value + "'");
        return *number;
    };
    // A value that its own parser reads, with that parser's refusal placed on its line.
    const auto read = [&](const char* key, auto parse) {
        const std::string value = take(key);
        try {
            return parse(value);
        } catch (const StudyError& error) {
            throw refuse(key, error.message);
        } catch (const InputError& error) {
            throw refuse(key, error.message);
        }
    };

    if (take("version") != kProgramVersion)
        throw refuse("version", "made by another version of vardeck-cli");
    // Day files are taken as the study read them, not read again.
    std::vector<std::string> dayFiles;
    if (values.count("day-files"))
        dayFiles = read("day-files", [](const std::string& list) {
            return splitList(list, "day files");
        });
    plan.profiles = read("profiles", [&](const std::string& list) {
        return profilesAsRead(list, dayFiles);
    });
    plan.demands = read("demands", parseDemandList);
    plan.seeds = static_cast<std::size_t>(whole("seeds", kMinStudySeeds, kMaxStudySeeds));
    plan.firstSeed = static_cast<std::uint32_t>(whole("first-seed", 0, kMaxSeed));
    plan.steps = static_cast<int>(whole("steps", 1, kMaxTrafficSteps));
    plan.noDestinationShare = read("no-destination-share", [](const std::string& share) {
        const auto value = parseNumber(share);
        if (!value || *value < 0 || *value > 1)
            throw StudyError{"bad no-destination-share '" + share + "'"};
        return *value;
    });
    plan.systems = read("systems", [&](const std::string& list) {
        return parseStudySystems(list, controllerNames);
    });
    plan.baseline = read("baseline", [&](const std::string& name) {
        return parseSystemName(name, controllerNames);
    });
    for (std::size_t i = 0; i < plan.controllers.size(); ++i)
        if (std::none_of(plan.systems.begin(), plan.systems.end(), [&](const SystemChoice& s) {
                return s.controller == plan.controllers[i].name;
            }))
            throw StudyError{
                "the controller '" + plan.controllers[i].name + "' is not among the systems",
                controllerLines[i]};
    plan.calls = whole("calls", 0, 1) == 1;
    // Written since passengers are measured; an older study.txt used the default.
    if (values.count("long-wait")) plan.longWait = int(whole("long-wait", 0, kMaxLongWait));
    plan.dataFingerprint = take("data");
    plan.program = take("program");
    if (values.count("host")) plan.host = take("host");
    if (shard) {
        shard->reset();
        if (values.count("shard")) *shard = read("shard", parseShard);
    }
    if (!values.empty())
        throw refuse(values.begin()->first, "unknown line '" + values.begin()->first + "'");
    if (const auto problem = planProblem(plan)) throw refuse(problem->key, problem->message);
    return plan;
}

namespace {

// Adds a file to `hash`: its name, then its first 64 MiB (network files are small; a huge file
// counts by its first part) and its size, or a mark for a name that is missing ('-') or no
// regular file ('?'). False when `stop` cut it short.
bool hashNamedFile(std::uint64_t& hash, const std::string& name, const std::atomic<bool>* stop) {
    constexpr long long kLimit = 64 << 20;
    hash = fnv1a(hash, name.data(), name.size() + 1);
    // Opened without blocking, so that a pipe without a writer does not hang the study;
    // only a regular file is read.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        hash = fnv1a(hash, fd < 0 ? "-" : "?", 1);
        if (fd >= 0) ::close(fd);
        return true;
    }
    const bool whole = hashFile(fd, kLimit, stop, hash);
    ::close(fd);
    if (!whole) return false;
    const std::string size = std::to_string(info.st_size);
    hash = fnv1a(hash, size.data(), size.size() + 1);
    return true;
}

}  // namespace

std::string studyDataFingerprint(const std::atomic<bool>* stop) {
    namespace fs = std::filesystem;
    std::vector<std::string> names = {"vardeck.cfg", "solver.pat", "teacher.pat", "solver.img",
                                      "teacher.img"};
    std::error_code error;
    for (fs::directory_iterator it(".", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        // The look-ahead systems' patterns and images count where they are present.
        if (name.rfind("solver.img.", 0) == 0 || name.rfind("solver-ahead.", 0) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::uint64_t hash = kFnvStart;
    for (const std::string& name : names)
        if (!hashNamedFile(hash, name, stop)) return {};
    return hexText(hash);
}

std::string programFingerprint() {
    // Read once: the file may be replaced by a new build while the program runs.
    static const std::string fingerprint = [] {
        const int fd = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
        std::uint64_t hash = kFnvStart;
        const bool read =
            fd >= 0 && hashFile(fd, std::numeric_limits<long long>::max(), nullptr, hash);
        if (fd >= 0) ::close(fd);
        return read ? hexText(hash) : std::string("unknown");
    }();
    return fingerprint;
}

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !*name) return "unknown";
    std::string text = name;
    // One word on its line of study.txt.
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c <= ' ' || c == 127; }, '?');
    return text;
}

namespace {

// The words of a command as /bin/sh splits them, near enough to find the files it reads:
// quotes and backslashes taken away, `;|&<>()` between words, a leading `~` the home folder;
// the file after a `>` is written, not read, and left out.
std::vector<std::string> commandWords(const std::string& command) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool written = false;
    char quote = 0;
    const auto next = [&](std::size_t& i) { return i + 1 < command.size() ? command[++i] : '\\'; };
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (quote == '\'' && c != '\'') {
            word += c;
        } else if (quote == '"' && c == '\\' && i + 1 < command.size() &&
                   std::strchr("\"\\$`", command[i + 1])) {
            word += next(i);
        } else if (quote == '"' && c != '"') {
            word += c;
        } else if (quote) {
            quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == '\\') {
            word += next(i);
            inWord = true;
        } else if (std::strchr(" \t;|&<>()", c)) {
            if (inWord && !std::exchange(written, false)) words.push_back(word);
            word.clear();
            inWord = false;
            written = written || c == '>';
        } else if (c == '~' && !inWord && (i + 1 == command.size() || command[i + 1] == '/') &&
                   std::getenv("HOME")) {
            word += std::getenv("HOME");
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord && !written) words.push_back(word);
    return words;
}

}  // namespace

std::string controllerFingerprint(const std::string& command) {
    std::uint64_t hash = kFnvStart;
    for (const std::string& word : commandWords(command)) {
        // Only a regular file is read: never a pipe, a device or a folder.
        struct stat info {};
        if (::stat(word.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            hashNamedFile(hash, word, nullptr);
    }
    return hexText(hash);
}

}  // namespace vardeck::study

#include "study/compare_row.h"

#include <algorithm>
#include <cstdlib>

#include "study/comma_list.h"
#include "study/formatted_text.h"
#include "study/name_index.h"
#include "study/system_choice.h"

namespace vardeck::study {

const std::vector<std::string>& compareColumns() {
    static const std::vector<std::string> columns = {
        "system", "steps", "samples", "eff_mean", "floors", "openings", "calls", "answered",
        "wait_mean", "wait_p95", "wait_max", "wait_sq_mean", "boarded", "dest_reached",
        "dest_time_mean", "still_waiting",
        // Per passenger: every recorded caller, whether the lamp was lit already or not.
        "pax", "pax_wait_mean", "pax_wait_p95", "pax_wait_max", "pax_long_share",
        "pax_journey_mean", "pax_wrong_way", "pax_unserved"};
    return columns;
}

std::size_t compareColumnIndex(const char* name) {
    return indexOfName(compareColumns(), name);
}

std::vector<std::optional<double>> compareRowValues(const std::string& row) {
    std::vector<std::optional<double>> values;
    for (const std::string& cell : splitCommas(row)) {
        char* end = nullptr;
        const double value = std::strtod(cell.c_str(), &end);
        values.push_back(cell.empty() || *end != '\0' ? std::nullopt : std::optional(value));
    }
    return values;
}

std::vector<std::string> compareRowCells(const ServiceReport& r, bool csv) {
    const std::string none = csv ? "" : "-";
    // Decimals of a mean or share, and of a time.
    const int mean = csv ? 6 : 4;
    const int time = csv ? 6 : 2;
    const auto optional = [&](const std::optional<double>& v, int decimals) {
        return v ? fixedText(*v, decimals) : none;
    };
    std::vector<std::string> cells = {
        r.system.name(),
        std::to_string(r.steps),
        std::to_string(r.samples.size()),
        optional(r.efficiencyMean(), mean),
        std::to_string(r.floorsTravelled),
        std::to_string(r.doorOpenings),
        std::to_string(r.callsMade),
        std::to_string(r.callsAnswered),
    };
    if (r.waiting) {
        cells.push_back(fixedText(r.waiting->mean, time));
        cells.push_back(std::to_string(r.waiting->percentile95));
        cells.push_back(std::to_string(r.waiting->longest));
        cells.push_back(fixedText(r.waiting->meanOfSquares, csv ? 6 : 1));
    } else {
        cells.insert(cells.end(), 4, none);
    }
    cells.push_back(std::to_string(r.boarded));
    cells.push_back(std::to_string(r.destinationsReached));
    cells.push_back(optional(r.destinationTimeMean, time));
    cells.push_back(std::to_string(r.stillWaiting));

    const PassengerSummary& p = r.passengers;
    const auto optionalInt = [&](const std::optional<int>& v) {
        return v ? std::to_string(*v) : none;
    };
    cells.push_back(std::to_string(p.count));
    cells.push_back(optional(p.waitMean, time));
    cells.push_back(optionalInt(p.waitPercentile95));
    cells.push_back(optionalInt(p.waitLongest));
    cells.push_back(optional(p.longShare, mean));
    cells.push_back(optional(p.journeyMean, time));
    cells.push_back(std::to_string(p.wrongWay));
    cells.push_back(std::to_string(p.unserved));
    return cells;
}

std::string controllerMeasures(const ServiceReport& report) {
    const std::vector<std::string>& columns = compareColumns();
    const std::vector<std::string> cells = compareRowCells(report, true);
    std::string text;
    // The first column is the system's name.
    for (std::size_t i = 1; i < columns.size(); ++i)
        text += (i > 1 ? " " : "") + columns[i] + "=" + cells[i];
    return text;
}

long long lastRecordedStep(const PressEntries& entries) {
    long long last = -1;
    for (const auto& [key, value] : entries) last = std::max<long long>(last, key.step);
    return last;
}

long long defaultRunSteps(const PressEntries& entries, long long cap) {
    return std::min(lastRecordedStep(entries) + 1 + kStepsAfterTraffic, cap);
}

}  // namespace vardeck::study

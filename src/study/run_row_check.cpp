#include "study/run_row_check.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <map>

#include "model/floors.h"
#include "study/compare_row.h"
#include "study/study_plan.h"
#include "study/system_choice.h"

namespace vardeck::study {

namespace {

enum class CellKind { System, Whole, Real };

// The largest value of a column, in terms of the run: a fixed number, the row's own steps
// (or their square), or the run's callers (each lights at most one lamp, and has a
// destination on at most every floor).
enum class Limit { Fixed, Steps, StepsSquared, Callers, TwiceCallers, FloorsTimesCallers };

// Nothing a run gives comes near this; it keeps sums over millions of runs finite.
constexpr double kLargest = 1e12;

// What a column holds. `emptyWhenZero`: the column whose 0 lets this one be empty (nullptr:
// never empty; "": may always be empty).
struct ColumnRule {
    CellKind kind = CellKind::Real;
    double min = -kLargest;
    Limit limit = Limit::Fixed;
    double max = kLargest;
    const char* emptyWhenZero = "";
};

const std::map<std::string, ColumnRule>& columnRules() {
    using K = CellKind;
    using L = Limit;
    constexpr double kLamps = 2.0 * kFloorCount;
    static const std::map<std::string, ColumnRule> rules = {
        {"system", {K::System, 0, L::Fixed, 0, nullptr}},
        {"steps", {K::Whole, 1, L::Fixed, kLargest, nullptr}},  // checked against the plan first
        {"samples", {K::Whole, 0, L::TwiceCallers, 0, nullptr}},
        {"eff_mean", {K::Real, -kLargest, L::Fixed, kLargest, "samples"}},
        {"floors", {K::Whole, 0, L::Steps, 0, nullptr}},
        {"openings", {K::Whole, 0, L::Steps, 0, nullptr}},
        {"calls", {K::Whole, 0, L::Callers, 0, nullptr}},
        {"answered", {K::Whole, 0, L::Callers, 0, nullptr}},
        {"wait_mean", {K::Real, 0, L::Steps, 0, "answered"}},
        {"wait_p95", {K::Whole, 0, L::Steps, 0, "answered"}},
        {"wait_max", {K::Whole, 0, L::Steps, 0, "answered"}},
        {"wait_sq_mean", {K::Real, 0, L::StepsSquared, 0, "answered"}},
        {"boarded", {K::Whole, 0, L::Callers, 0, nullptr}},
        {"dest_reached", {K::Whole, 0, L::FloorsTimesCallers, 0, nullptr}},
        {"dest_time_mean", {K::Real, 0, L::Steps, 0, "dest_reached"}},
        {"still_waiting", {K::Whole, 0, L::Fixed, kLamps, nullptr}},
        {"pax", {K::Whole, 0, L::Callers, 0, nullptr}},
        {"pax_wait_mean", {K::Real, 0, L::Steps, 0, "pax"}},
        {"pax_wait_p95", {K::Whole, 0, L::Steps, 0, "pax"}},
        {"pax_wait_max", {K::Whole, 0, L::Steps, 0, "pax"}},
        {"pax_long_share", {K::Real, 0, L::Fixed, 1, "pax"}},
        {"pax_journey_mean", {K::Real, 0, L::Steps, 0, ""}},
        {"pax_wrong_way", {K::Whole, 0, L::Callers, 0, nullptr}},
        {"pax_unserved", {K::Whole, 0, L::Callers, 0, nullptr}},
    };
    return rules;
}

// A decimal as `compare` writes it: an optional minus, digits, an optional point and digits;
// no exponent, no blanks, nothing that is not finite.
bool readReal(const std::string& text, double* value) {
    if (text.empty() || text.find_first_not_of("-0123456789.") != std::string::npos) return false;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, *value, std::chars_format::fixed);
    return error == std::errc{} && stop == end && std::isfinite(*value);
}

}  // namespace

bool isWholeNumber(const std::string& text, long long max, long long* value) {
    long long parsed = 0;
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != text.npos)
        return false;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc{} || stop != text.data() + text.size() || parsed > max) return false;
    if (value) *value = parsed;
    return true;
}

std::string checkCompareRow(const std::vector<std::string>& cells, const RunBounds& bounds) {
    const std::vector<std::string>& columns = compareColumns();
    if (cells.size() != columns.size()) return "wrong number of columns";
    const auto& rules = columnRules();
    const auto isZero = [&](const char* column) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i] == column) return cells[i] == "0";
        return false;
    };
    long long steps = 0;
    if (!isWholeNumber(cells[compareColumnIndex("steps")], bounds.maxSteps, &steps) || steps < 1)
        return "bad steps '" + cells[compareColumnIndex("steps")] + "' (the runs last up to " +
               std::to_string(bounds.maxSteps) + ")";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto found = rules.find(columns[i]);
        // A column without a rule of its own holds a number or nothing.
        const ColumnRule rule = found == rules.end() ? ColumnRule{} : found->second;
        const std::string& cell = cells[i];
        if (cell.empty()) {
            if (rule.emptyWhenZero && (!*rule.emptyWhenZero || isZero(rule.emptyWhenZero)))
                continue;
            return "empty " + columns[i];
        }
        double max = rule.max;
        switch (rule.limit) {
            case Limit::Fixed:
                break;
            case Limit::Steps:
                max = double(steps);
                break;
            case Limit::StepsSquared:
                max = double(steps) * double(steps);
                break;
            case Limit::Callers:
                max = double(bounds.callers);
                break;
            case Limit::TwiceCallers:
                max = 2.0 * double(bounds.callers);
                break;
            case Limit::FloorsTimesCallers:
                max = kFloorCount * double(bounds.callers);
                break;
        }
        const std::string bad = "bad " + columns[i] + " '" + cell + "'";
        const std::string outside =
            bad + " (outside " + shortestNumber(rule.min) + " to " + shortestNumber(max) + ")";
        switch (rule.kind) {
            case CellKind::System:
                // Which system the row belongs to is the plan's to say; here only the name.
                if (!builtInSystem(cell) && !isControllerName(cell)) return bad;
                break;
            case CellKind::Whole: {
                long long value = 0;
                if (!isWholeNumber(cell, std::numeric_limits<long long>::max() / 10, &value))
                    return bad;
                if (double(value) < rule.min || double(value) > max) return outside;
                break;
            }
            case CellKind::Real: {
                double value = 0;
                if (!readReal(cell, &value)) return bad;
                if (value < rule.min || value > max) return outside;
                break;
            }
        }
    }
    return {};
}

}  // namespace vardeck::study

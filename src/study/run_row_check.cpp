#include "study/run_row_check.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <map>

#include "study/compare_row.h"
#include "study/system_choice.h"

namespace vardeck::study {

namespace {

enum class CellKind { System, Whole, Real };

constexpr double kAny = std::numeric_limits<double>::infinity();

// What a column holds. `emptyWhenZero`: the column whose 0 lets this one be empty (nullptr:
// never empty; "": may always be empty).
struct ColumnRule {
    CellKind kind = CellKind::Real;
    double min = -kAny;
    double max = kAny;
    const char* emptyWhenZero = "";
};

const std::map<std::string, ColumnRule>& columnRules() {
    using K = CellKind;
    static const std::map<std::string, ColumnRule> rules = {
        {"system", {K::System, 0, 0, nullptr}},
        {"steps", {K::Whole, 0, kAny, nullptr}},
        {"samples", {K::Whole, 0, kAny, nullptr}},
        {"eff_mean", {K::Real, -kAny, kAny, "samples"}},
        {"floors", {K::Whole, 0, kAny, nullptr}},
        {"openings", {K::Whole, 0, kAny, nullptr}},
        {"calls", {K::Whole, 0, kAny, nullptr}},
        {"answered", {K::Whole, 0, kAny, nullptr}},
        {"wait_mean", {K::Real, 0, kAny, "answered"}},
        {"wait_p95", {K::Whole, 0, kAny, "answered"}},
        {"wait_max", {K::Whole, 0, kAny, "answered"}},
        {"wait_sq_mean", {K::Real, 0, kAny, "answered"}},
        {"boarded", {K::Whole, 0, kAny, nullptr}},
        {"dest_reached", {K::Whole, 0, kAny, nullptr}},
        {"dest_time_mean", {K::Real, 0, kAny, "dest_reached"}},
        {"still_waiting", {K::Whole, 0, kAny, nullptr}},
        {"pax", {K::Whole, 0, kAny, nullptr}},
        {"pax_wait_mean", {K::Real, 0, kAny, "pax"}},
        {"pax_wait_p95", {K::Whole, 0, kAny, "pax"}},
        {"pax_wait_max", {K::Whole, 0, kAny, "pax"}},
        {"pax_long_share", {K::Real, 0, 1, "pax"}},
        {"pax_journey_mean", {K::Real, 0, kAny, ""}},
        {"pax_wrong_way", {K::Whole, 0, kAny, nullptr}},
        {"pax_unserved", {K::Whole, 0, kAny, nullptr}},
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

std::string checkCompareRow(const std::vector<std::string>& cells) {
    const std::vector<std::string>& columns = compareColumns();
    if (cells.size() != columns.size()) return "wrong number of columns";
    const auto& rules = columnRules();
    const auto isZero = [&](const char* column) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i] == column) return cells[i] == "0";
        return false;
    };
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto found = rules.find(columns[i]);
        // A column without a rule of its own holds a number or nothing.
        const ColumnRule rule = found == rules.end() ? ColumnRule{} : found->second;
        const std::string& cell = cells[i];
        const std::string bad = "bad " + columns[i] + " '" + cell + "'";
        if (cell.empty()) {
            if (rule.emptyWhenZero && (!*rule.emptyWhenZero || isZero(rule.emptyWhenZero)))
                continue;
            return "empty " + columns[i];
        }
        switch (rule.kind) {
            case CellKind::System:
                if (!builtInSystem(cell) && !isControllerName(cell)) return bad;
                break;
            case CellKind::Whole: {
                long long value = 0;
                if (!isWholeNumber(cell, std::numeric_limits<long long>::max() / 10, &value) ||
                    double(value) < rule.min || double(value) > rule.max)
                    return bad;
                break;
            }
            case CellKind::Real: {
                double value = 0;
                if (!readReal(cell, &value) || value < rule.min || value > rule.max) return bad;
                break;
            }
        }
    }
    return {};
}

}  // namespace vardeck::study

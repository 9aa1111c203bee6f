#include "study/period_table.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>
#include <string_view>

#include "study/comma_list.h"
#include "study/formatted_text.h"
#include "study/run_row_check.h"
#include "study/statistics.h"
#include "study/svg_chart.h"

namespace vardeck::study {

namespace {

// One period of one run, as read back from periods.csv.
struct PeriodFigures {
    std::optional<double> mean;
    std::optional<double> p95;
};

std::optional<double> realCell(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || error != std::errc{} || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A run's periods from its lines; cells after the run's four.
std::vector<PeriodFigures> figuresOf(const std::string& lines) {
    std::vector<PeriodFigures> figures;
    std::istringstream text(lines);
    for (std::string line; std::getline(text, line);) {
        const std::vector<std::string> cells = splitCommas(line);
        if (cells.size() != 8) continue;
        figures.push_back({realCell(cells[6]), realCell(cells[7])});
    }
    return figures;
}

std::string meanText(const std::vector<double>& values, int decimals) {
    if (values.empty()) return "&#8211;";
    double sum = 0;
    for (double v : values) sum += v;
    std::string text;
    appendf(text, "%.*f", decimals, sum / double(values.size()));
    return text;
}

// The difference of a system's mean from the baseline's, in percent, "*" when significant.
std::string differenceText(double difference, double base, bool significant) {
    std::string text = " <span class=\"p\">(";
    if (base > 0) {
        const long percent = std::lround(100 * difference / base);
        if (percent == 0)
            text += "&#177;0&#160;%";
        else
            appendf(text, "%s%ld&#160;%%", percent > 0 ? "+" : "&#8722;", std::labs(percent));
    } else {
        appendf(text, "%+.2f", difference);
    }
    return text + (significant ? "&#160;*" : "") + ")</span>";
}

}  // namespace

std::string periodsCsvHeader() {
    return "profile,demand,seed,system,period,pax,pax_wait_mean,pax_wait_p95\n";
}

std::string periodsCsvLines(const StudyRun& run, const std::vector<PassengerSummary>& periods) {
    const std::string prefix = run.profile.name + "," + shortestNumber(run.demand) + "," +
                               std::to_string(run.seed) + "," + run.system.name() + ",";
    std::string text;
    for (std::size_t i = 0; i < periods.size(); ++i) {
        const PassengerSummary& p = periods[i];
        text += prefix + std::to_string(i + 1) + "," + std::to_string(p.count) + ",";
        if (p.waitMean) appendf(text, "%.6f", *p.waitMean);
        text += ",";
        if (p.waitPercentile95) text += std::to_string(*p.waitPercentile95);
        text += "\n";
    }
    return text;
}

std::string checkPeriodLines(const StudyRun& run,
                             const std::vector<std::vector<std::string>>& cells, long long pax) {
    const std::size_t periods = run.profile.isDay() ? run.profile.periods.size() : 0;
    if (cells.size() != periods)
        return std::to_string(cells.size()) + " periods of a run whose day has " +
               std::to_string(periods);
    long long total = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::vector<std::string>& c = cells[i];
        const std::string where = "period " + std::to_string(i + 1) + ": ";
        long long number = 0, count = 0, p95 = 0;
        if (c.size() != 4 || !isWholeNumber(c[0], 1'000'000, &number) ||
            number != static_cast<long long>(i + 1))
            return where + "not the period expected";
        if (!isWholeNumber(c[1], pax, &count)) return where + "bad pax '" + c[1] + "'";
        const auto mean = realCell(c[2]);
        if (count > 0 ? !mean || *mean < 0 : !c[2].empty())
            return where + "bad pax_wait_mean '" + c[2] + "'";
        if (count > 0 ? !isWholeNumber(c[3], 4'000'000'000LL, &p95) : !c[3].empty())
            return where + "bad pax_wait_p95 '" + c[3] + "'";
        total += count;
    }
    if (periods > 0 && total != pax)
        return std::to_string(total) + " passengers in the periods of a run that has " +
               std::to_string(pax);
    return {};
}

std::string periodTables(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                         const std::vector<std::string>& periodLines) {
    if (!plan.hasDayProfile() || periodLines.size() != plan.runCount()) return {};
    std::vector<std::vector<PeriodFigures>> figures;
    figures.reserve(periodLines.size());
    for (const std::string& lines : periodLines) figures.push_back(figuresOf(lines));

    struct Cell {
        std::string mean, p95;
        std::optional<std::size_t> test;  // in `tests`
        double base = 0;                  // the baseline's mean over the same seeds
        std::string difference;           // the whole day's, from the summary
    };
    struct Row {
        const StudyProfile* profile;
        double demand;
        SystemChoice system;
        std::vector<Cell> cells;
    };
    std::vector<PairedTest> tests;
    std::vector<Row> rows;
    for (const StudyProfile& profile : plan.profiles) {
        if (!profile.isDay()) continue;
        for (double demand : plan.demands) {
            for (const SystemChoice& system : plan.systems) {
                Row row{&profile, demand, system, {}};
                const auto runOf = [&](const SystemChoice& kind, std::size_t s) {
                    return *plan.indexOf(profile, demand,
                                         static_cast<std::uint32_t>(plan.firstSeed + s), kind);
                };
                for (std::size_t p = 0; p < profile.periods.size(); ++p) {
                    std::vector<double> means, p95s, differences;
                    double baseSum = 0;
                    for (std::size_t s = 0; s < plan.seeds; ++s) {
                        const auto& own = figures[runOf(system, s)];
                        const auto& base = figures[runOf(plan.baseline, s)];
                        if (p >= own.size() || p >= base.size()) continue;
                        if (own[p].mean) means.push_back(*own[p].mean);
                        if (own[p].p95) p95s.push_back(*own[p].p95);
                        if (own[p].mean && base[p].mean) {
                            differences.push_back(*own[p].mean - *base[p].mean);
                            baseSum += *base[p].mean;
                        }
                    }
                    Cell cell{meanText(means, 1), meanText(p95s, 0), std::nullopt, 0, {}};
                    if (system != plan.baseline && !differences.empty()) {
                        cell.test = tests.size();
                        tests.push_back(pairedTest(differences));
                        cell.base = baseSum / double(differences.size());
                    }
                    row.cells.push_back(cell);
                }
                Cell day{"&#8211;", "&#8211;", std::nullopt, 0, {}};
                for (const CellSummary& c : cells) {
                    if (!(c.profile == profile) || c.demand != demand || c.system != system)
                        continue;
                    for (std::size_t m = 0; m < std::size(kSummaryMeasures); ++m) {
                        const std::string name = kSummaryMeasures[m];
                        if (name == "pax_wait_mean" && c.measures[m].count)
                            day.mean = meanText({c.measures[m].mean}, 1);
                        if (name == "pax_wait_mean" && !c.differences.empty()) {
                            constexpr std::size_t d = 4;
                            static_assert(std::string_view(kDifferenceMeasures[d]) ==
                                          "pax_wait_mean");
                            const double diff = c.differences[d].difference.mean;
                            day.difference =
                                differenceText(diff, c.measures[m].mean - diff, c.significant[d]);
                        }
                        if (name == "pax_wait_p95" && c.measures[m].count)
                            day.p95 = meanText({c.measures[m].mean}, 0);
                    }
                }
                row.cells.push_back(day);
                rows.push_back(std::move(row));
            }
        }
    }

    // The tests with spread, Holm-adjusted together.
    std::vector<double> pValues;
    for (const PairedTest& t : tests)
        if (t.p) pValues.push_back(*t.p);
    const std::vector<double> adjusted = holmAdjusted(pValues);
    std::vector<bool> significant;
    for (std::size_t t = 0, next = 0; t < tests.size(); ++t)
        significant.push_back(tests[t].p && adjusted[next++] < kSignificanceLevel);

    std::string html =
        "<h2>Waits per period of the day</h2>\n<p>For each profile that changes over the run: "
        "the mean over the seeds of each run's mean wait and 95th-percentile wait of the "
        "passengers who pressed in that period (mean &#183; 95th pct., in steps), and for the "
        "whole day. In brackets the mean wait's paired difference from " +
        plan.baseline.name() +
        ", * when significant after the Holm&#8211;Bonferroni correction over every period "
        "of this section.</p>\n";
    const StudyProfile* open = nullptr;
    for (const Row& row : rows) {
        if (row.profile != open) {
            if (open) html += "</table></div>\n";
            open = row.profile;
            html += "<h3>" + escapeXml(open->name) +
                    "</h3>\n<div class=\"wide\"><table>\n<tr><th>demand</th>"
                    "<th class=\"name\">system</th>";
            for (std::size_t p = 0; p < open->periods.size(); ++p)
                html += "<th>" + escapeXml(periodLabel(*open, p)) + "</th>";
            html += "<th>whole day</th></tr>\n";
        }
        html += row.system == plan.systems.front() ? "<tr class=\"first\">" : "<tr>";
        html += "<td>" + shortestNumber(row.demand) + "</td><td class=\"name\">" +
                row.system.name() + "</td>";
        for (const Cell& c : row.cells) {
            html += "<td>" + c.mean + c.difference;
            if (c.test)
                html +=
                    differenceText(tests[*c.test].difference.mean, c.base, significant[*c.test]);
            html += " &#183; " + c.p95 + "</td>";
        }
        html += "</tr>\n";
    }
    if (open) html += "</table></div>\n";
    return html;
}

}  // namespace vardeck::study

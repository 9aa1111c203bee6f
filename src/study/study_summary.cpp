#include "study/study_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <map>

#include "study/compare_row.h"
#include "study/plan_check.h"
#include "study/svg_chart.h"
#include "study/system_choice.h"

namespace vardeck::study {

namespace {

constexpr std::size_t kMeasureCount = std::size(kSummaryMeasures);
constexpr std::size_t kDifferenceCount = std::size(kDifferenceMeasures);

std::optional<double> cellValue(const std::vector<std::optional<double>>& row, std::size_t column) {
    return column < row.size() ? row[column] : std::nullopt;
}

std::string fixed(double value) {
    std::string text;
    appendf(text, "%.6f", value);
    return text;
}

std::string optionalFixed(const std::optional<double>& value) {
    return value ? fixed(*value) : "";
}

std::string general(double value) {
    std::string text;
    appendf(text, "%.6g", value);
    return text;
}

// No measure is negative, and a share is at most 1: an interval that reaches past them says
// nothing the bound does not.
MeanInterval withinRange(MeanInterval m, const std::string& measure) {
    const double top = measure == "pax_long_share" || measure == "eff_mean" ? 1 : HUGE_VAL;
    if (m.low) m.low = std::clamp(*m.low, 0.0, top);
    if (m.high) m.high = std::clamp(*m.high, 0.0, top);
    return m;
}

}  // namespace

std::vector<CellSummary> summarizeStudy(const StudyPlan& plan,
                                        const std::vector<std::string>& runRows) {
    // Every plan is checked where it is read; one that was not would pair with nothing.
    if (const auto problem = planProblem(plan)) throw StudyError{problem->message};
    std::vector<std::vector<std::optional<double>>> values;
    values.reserve(runRows.size());
    for (const std::string& row : runRows) values.push_back(compareRowValues(row));
    std::size_t measureColumns[kMeasureCount];
    for (std::size_t m = 0; m < kMeasureCount; ++m)
        measureColumns[m] = compareColumnIndex(kSummaryMeasures[m]);
    std::size_t differenceColumns[kDifferenceCount];
    for (std::size_t m = 0; m < kDifferenceCount; ++m)
        differenceColumns[m] = compareColumnIndex(kDifferenceMeasures[m]);

    std::vector<CellSummary> cells;
    // The paired differences of each compared cell, by cell and measure.
    std::map<std::size_t, std::vector<std::vector<double>>> samples;
    for (const StudyProfile& profile : plan.profiles) {
        for (double demand : plan.demands) {
            for (const SystemChoice& system : plan.systems) {
                CellSummary cell{profile, demand, system, plan.seeds, {}, {}, {}, {}, {}};
                const auto rowOf = [&](const SystemChoice& kind, std::size_t s) -> const auto& {
                    const auto seed = static_cast<std::uint32_t>(plan.firstSeed + s);
                    return values.at(plan.indexOf(profile, demand, seed, kind).value());
                };
                for (std::size_t m = 0; m < kMeasureCount; ++m) {
                    std::vector<double> values;
                    for (std::size_t s = 0; s < plan.seeds; ++s)
                        if (const auto v = cellValue(rowOf(system, s), measureColumns[m]))
                            values.push_back(*v);
                    cell.measures.push_back(withinRange(meanInterval(values), kSummaryMeasures[m]));
                }
                if (system != plan.baseline) {
                    for (std::size_t m = 0; m < kDifferenceCount; ++m) {
                        std::vector<double> differences;
                        for (std::size_t s = 0; s < plan.seeds; ++s) {
                            const auto v = cellValue(rowOf(system, s), differenceColumns[m]);
                            const auto b = cellValue(rowOf(plan.baseline, s), differenceColumns[m]);
                            if (v && b) differences.push_back(*v - *b);
                        }
                        cell.differences.push_back(pairedTest(differences));
                        cell.holmIntervals.push_back(cell.differences.back().difference);
                        samples[cells.size()].push_back(std::move(differences));
                    }
                    cell.holmP.assign(kDifferenceCount, std::nullopt);
                    cell.significant.assign(kDifferenceCount, false);
                }
                cells.push_back(std::move(cell));
            }
        }
    }

    // One family per measure: every cell and system compared with the baseline, those that
    // can be tested.
    for (std::size_t m = 0; m < kDifferenceCount; ++m) {
        std::vector<double> pValues;
        std::vector<std::size_t> tested;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (cells[c].differences.empty() || !cells[c].differences[m].p) continue;
            pValues.push_back(*cells[c].differences[m].p);
            tested.push_back(c);
        }
        const std::vector<double> adjusted = holmAdjusted(pValues);
        for (std::size_t i = 0; i < tested.size(); ++i) {
            CellSummary& cell = cells[tested[i]];
            cell.holmP[m] = adjusted[i];
            cell.significant[m] = adjusted[i] < kSignificanceLevel;
            cell.holmIntervals[m] =
                meanInterval(samples[tested[i]][m],
                             holmConsistentConfidence(pValues[i], adjusted[i], kSignificanceLevel));
        }
    }
    return cells;
}

std::string summaryCsv(const StudyPlan& plan, const std::vector<CellSummary>& cells) {
    std::string text = "profile,demand,system,runs";
    for (const char* m : kSummaryMeasures)
        text += std::string(",") + m + "," + m + "_ci_low," + m + "_ci_high," + m + "_runs";
    for (const char* m : kDifferenceMeasures)
        for (const char* suffix : {"_diff", "_diff_ci_low", "_diff_ci_high", "_diff_p",
                                   "_diff_p_holm", "_diff_significant"})
            text += std::string(",") + m + suffix;
    text += "\n";
    for (const CellSummary& cell : cells) {
        text += cell.profile.name + "," + shortestNumber(cell.demand) +
                "," + cell.system.name() + "," + std::to_string(cell.runs);
        for (const MeanInterval& m : cell.measures) {
            text += "," + (m.count ? fixed(m.mean) : "") + "," + optionalFixed(m.low) + "," +
                    optionalFixed(m.high) + "," + std::to_string(m.count);
        }
        for (std::size_t m = 0; m < kDifferenceCount; ++m) {
            if (cell.system == plan.baseline) {
                text += ",,,,,,";
                continue;
            }
            const PairedTest& d = cell.differences[m];
            text += "," + (d.difference.count ? fixed(d.difference.mean) : "") + "," +
                    optionalFixed(d.difference.low) + "," + optionalFixed(d.difference.high) + "," +
                    (d.p ? general(*d.p) : "") + "," +
                    (cell.holmP[m] ? general(*cell.holmP[m]) : "") + "," +
                    (cell.holmP[m] ? (cell.significant[m] ? "1" : "0") : "");
        }
        text += "\n";
    }
    return text;
}

std::string runsCsvHeader() {
    std::string text = "profile,demand,seed";
    for (const std::string& column : compareColumns()) text += "," + column;
    return text + "\n";
}

std::string runsCsvLine(const StudyRun& run, const std::string& row) {
    return run.profile.name + "," + shortestNumber(run.demand) + "," +
           std::to_string(run.seed) + "," + row + "\n";
}

}  // namespace vardeck::study

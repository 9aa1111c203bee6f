#include "study/study_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "study/comma_list.h"
#include "study/compare_row.h"
#include "study/name_index.h"
#include "study/plot_frame.h"
#include "study/svg_chart.h"
#include "study/system_choice.h"
#include "study/system_palette.h"
#include "study/version.h"

namespace vardeck::study {

namespace {

constexpr PlotBox kPlotBox{560, 310, 58, 30, 560 - 14, 310 - 48};
constexpr int kValueTicks = 5;
// Dots of one demand stand this far apart at most, and this large at most.
constexpr double kMaxDotOffset = 12, kMaxDotRadius = 4;
// Labels on the demand axis keep this distance between their centres.
constexpr double kLabelSpacing = 26;

std::size_t indexOfMeasure(const char* name) {
    return indexOfName(kSummaryMeasures, name);
}

std::size_t indexOfDifference(const char* name) {
    return indexOfName(kDifferenceMeasures, name);
}

const CellSummary* findCell(const std::vector<CellSummary>& cells, const StudyProfile& profile,
                            double demand, const SystemChoice& system) {
    for (const CellSummary& c : cells)
        if (c.profile == profile && c.demand == demand && c.system == system) return &c;
    return nullptr;
}

// A measure as the report shows it. Lower is better for every one that is compared.
struct Measure {
    const char* name;
    const char* title;
    const char* axis;  // the value axis of its plots
    int decimals;
    bool compared;  // has a paired difference from the baseline
};

// Per passenger first: what the callers live through. The first four are plotted.
constexpr Measure kMeasures[] = {
    {"pax_wait_mean", "mean wait per passenger", "steps", 2, true},
    {"pax_wait_p95", "95th percentile of the wait per passenger", "steps", 1, true},
    {"pax_wait_max", "longest wait", "steps", 1, true},
    {"pax_long_share", "long-wait share", "share of passengers", 3, true},
    {"pax_journey_mean", "journey per passenger, press to arrival", "steps", 2, true},
    {"pax_unserved", "passengers unserved at the end", "passengers", 2, false},
    {"wait_mean", "mean wait per lamp", "steps", 2, true},
    {"wait_p95", "95th percentile of the wait per lamp", "steps", 1, true},
    {"dest_time_mean", "time to destination per lamp", "steps", 2, true},
    {"floors", "floors travelled", "floors", 0, true},
    {"eff_mean", "efficiency criterion", "efficiency", 3, false}};
constexpr std::size_t kPlottedMeasures = 4;

// The systems' colours, as every picture of the program gives them.
std::vector<std::string> coloursOf(const StudyPlan& plan) {
    std::vector<std::string> names;
    for (const SystemChoice& s : plan.systems) names.push_back(s.name());
    return systemColours(names);
}

// Demand on a logarithmic axis, with room at both ends for the widest spread of dots; the dots
// of one demand spread so that they never reach those of the next.
struct DemandAxis {
    double min = 0, max = 1;  // log10 of the demand at the plot's edges
    double dotOffset = kMaxDotOffset;
    double dotRadius = kMaxDotRadius;
};

DemandAxis demandAxis(const StudyPlan& plan, std::size_t dotsPerDemand) {
    const double width = kPlotBox.right - kPlotBox.left;
    const double margin = kMaxDotOffset * double(dotsPerDemand - 1) / 2 + kMaxDotRadius + 10;
    const double lo = std::log10(plan.demands.front()), hi = std::log10(plan.demands.back());
    DemandAxis axis;
    if (hi > lo) {
        const double perPixel = (hi - lo) / (width - 2 * margin);
        axis.min = lo - margin * perPixel;
        axis.max = hi + margin * perPixel;
    } else {
        axis.min = lo - 1;
        axis.max = lo + 1;
    }
    for (std::size_t i = 1; i < plan.demands.size(); ++i) {
        const double gap = (std::log10(plan.demands[i]) - std::log10(plan.demands[i - 1])) /
                           (axis.max - axis.min) * width;
        // Within a demand the dots stand dotOffset apart, and the last of one demand and the
        // first of the next at least as far.
        axis.dotOffset = std::min(axis.dotOffset, gap / double(dotsPerDemand));
    }
    axis.dotRadius = std::min(kMaxDotRadius, 0.4 * axis.dotOffset);
    return axis;
}

PlotFrame demandFrame(const DemandAxis& axis, double lo, double hi) {
    return PlotFrame(kPlotBox, axis.min, axis.max, lo, hi, kValueTicks);
}

double demandX(const PlotFrame& frame, double demand) {
    return frame.x(std::log10(demand));
}

// A tick at every demand, labelled where the label leaves room for its neighbours.
void drawDemandAxes(std::string& svg, const PlotFrame& frame, const StudyPlan& plan,
                    const std::string& yLabel, const std::string& title) {
    std::vector<AxisTick> ticks;
    double lastLabel = -1e9;
    for (double demand : plan.demands) {
        const double x = demandX(frame, demand);
        const bool room = x - lastLabel >= kLabelSpacing;
        if (room) lastLabel = x;
        ticks.push_back({std::log10(demand), room ? shortestNumber(demand) : ""});
    }
    frame.draw(svg, ticks, title, "demand, calls per 1000 steps (logarithmic scale)", yLabel);
}

// A measure against demand: each system a line with its 95 % band. The baseline comes last,
// dashed, with hollow dots, so that a system that matches it shows through.
std::string measurePlot(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                        const StudyProfile& profile, const Measure& measure) {
    const std::size_t index = indexOfMeasure(measure.name);
    double hi = 0;
    for (const CellSummary& c : cells) {
        if (c.profile != profile || c.measures[index].count == 0) continue;
        hi = std::max({hi, c.measures[index].mean, c.measures[index].high.value_or(0)});
    }
    const PlotFrame frame = demandFrame(demandAxis(plan, 1), 0, hi);
    const std::string title = profile.name + ": " + measure.title;
    std::string svg = frame.open(title);
    drawDemandAxes(svg, frame, plan, measure.axis, title);
    const std::vector<std::string> colours = coloursOf(plan);
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < plan.systems.size(); ++k)
        if (plan.systems[k] != plan.baseline) order.push_back(k);
    for (std::size_t k = 0; k < plan.systems.size(); ++k)
        if (plan.systems[k] == plan.baseline) order.push_back(k);
    for (std::size_t k : order) {
        const SystemChoice& system = plan.systems[k];
        const bool baseline = system == plan.baseline;
        const char* colour = colours[k].c_str();
        std::string line, upper, lower, dots;
        for (double demand : plan.demands) {
            const CellSummary* c = findCell(cells, profile, demand, system);
            if (!c || c->measures[index].count == 0) continue;
            const MeanInterval& m = c->measures[index];
            const double x = demandX(frame, demand);
            appendf(line, "%.1f,%.1f ", x, frame.y(m.mean));
            appendf(upper, "%.1f,%.1f ", x, frame.y(m.high.value_or(m.mean)));
            std::string point;
            appendf(point, "%.1f,%.1f ", x, frame.y(m.low.value_or(m.mean)));
            lower = point + lower;
            appendf(dots,
                    "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%s\" fill=\"%s\" stroke=\"%s\" "
                    "stroke-width=\"1.5\"><title>%s, demand %s: %s</title></circle>\n",
                    x, frame.y(m.mean), baseline ? "3.5" : "3", baseline ? "none" : colour, colour,
                    system.name().c_str(), shortestNumber(demand).c_str(),
                    fixedText(m.mean, measure.decimals).c_str());
        }
        if (line.empty()) continue;
        appendf(svg,
                "<polygon points=\"%s%s\" fill=\"%s\" fill-opacity=\"0.15\" stroke=\"none\"/>\n",
                upper.c_str(), lower.c_str(), colour);
        appendf(svg,
                "<polyline points=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"%s\"%s/>\n%s",
                line.c_str(), colour, baseline ? "2.5" : "2",
                baseline ? " stroke-dasharray=\"7 4\"" : "", dots.c_str());
    }
    return svg + "</svg>\n";
}

// The paired differences of one measure from the baseline. A filled dot is significant after
// the correction for many tests; its whisker is drawn at the level the correction leaves it,
// so it clears 0 exactly when the dot is filled. A difference without spread cannot be
// tested: a hollow dot without whisker.
std::string differencePlot(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                           const StudyProfile& profile, const Measure& measure) {
    const std::size_t index = indexOfDifference(measure.name);
    double lo = 0, hi = 0;
    for (const CellSummary& c : cells) {
        if (c.profile != profile || c.differences.empty() ||
            c.differences[index].difference.count == 0)
            continue;
        const MeanInterval& d = c.holmIntervals[index];
        lo = std::min({lo, d.mean, d.low.value_or(d.mean)});
        hi = std::max({hi, d.mean, d.high.value_or(d.mean)});
    }
    const std::vector<std::string> colours = coloursOf(plan);
    std::vector<std::size_t> others;
    for (std::size_t k = 0; k < plan.systems.size(); ++k)
        if (plan.systems[k] != plan.baseline) others.push_back(k);
    const DemandAxis axis = demandAxis(plan, others.size());
    const PlotFrame frame = demandFrame(axis, lo, hi);
    const std::string title = profile.name + ": " + measure.title + ", difference";
    std::string svg = frame.open(title);
    drawDemandAxes(
        svg, frame, plan,
        std::string("difference from ") + plan.baseline.name() + " (" + measure.axis + ")", title);
    const auto baseline = std::find(plan.systems.begin(), plan.systems.end(), plan.baseline);
    appendf(svg,
            "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
            "stroke-width=\"1.5\" stroke-dasharray=\"7 4\"/>\n",
            kPlotBox.left, kPlotBox.right, frame.y(0), frame.y(0),
            colours[std::size_t(baseline - plan.systems.begin())].c_str());

    const double cap = std::min(4.0, axis.dotRadius + 1);
    for (std::size_t k = 0; k < others.size(); ++k) {
        const SystemChoice& system = plan.systems[others[k]];
        const char* colour = colours[others[k]].c_str();
        const double offset = (double(k) - double(others.size() - 1) / 2) * axis.dotOffset;
        for (double demand : plan.demands) {
            const CellSummary* c = findCell(cells, profile, demand, system);
            if (!c || c->differences[index].difference.count == 0) continue;
            const MeanInterval& d = c->holmIntervals[index];
            const bool testable = c->holmP[index].has_value();
            const double x = demandX(frame, demand) + offset;
            if (testable && d.low && d.high)
                appendf(svg,
                        "<path d=\"M%.1f %.1fV%.1fM%.1f %.1fh%.1fM%.1f %.1fh%.1f\" stroke=\"%s\" "
                        "stroke-width=\"1.5\" fill=\"none\"/>\n",
                        x, frame.y(*d.low), frame.y(*d.high), x - cap, frame.y(*d.low), 2 * cap,
                        x - cap, frame.y(*d.high), 2 * cap, colour);
            const bool significant = c->significant[index];
            appendf(svg,
                    "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\" fill=\"%s\" stroke=\"%s\" "
                    "stroke-width=\"1.5\"><title>%s - %s, demand %s: %s%s</title></circle>\n",
                    x, frame.y(d.mean), axis.dotRadius, significant ? colour : "#ffffff", colour,
                    system.name().c_str(), plan.baseline.name().c_str(),
                    shortestNumber(demand).c_str(), fixedText(d.mean, measure.decimals).c_str(),
                    significant ? " (significant)"
                    : testable  ? ""
                                : " (no spread: not testable)");
        }
    }
    return svg + "</svg>\n";
}

std::string intervalText(const MeanInterval& m, int decimals) {
    if (!m.low || !m.high) return {};
    return "<span class=\"ci\">" + fixedText(*m.low, decimals) + " to " +
           fixedText(*m.high, decimals) + "</span>";
}

std::string pText(double p) {
    std::string text;
    if (p < 0.001)
        text = "&lt; 0.001";
    else
        appendf(text, "%.3f", p);
    return text;
}

// A system's cell: its mean with the 95 % interval and, for the other systems, the difference
// from the baseline with its interval at the corrected level, p and the adjusted p, and a mark
// when significant.
std::string tableCell(const CellSummary& cell, const Measure& measure, double baselineMean) {
    const MeanInterval& own = cell.measures[indexOfMeasure(measure.name)];
    if (own.count == 0) return "<td>&#8211;</td>";
    std::string body = fixedText(own.mean, measure.decimals);
    if (own.low && own.high)
        body += " <span class=\"ci\">(" + fixedText(*own.low, measure.decimals) + " to " +
                fixedText(*own.high, measure.decimals) + ")</span>";
    if (!measure.compared || cell.differences.empty()) return "<td>" + body + "</td>";
    const std::size_t m = indexOfDifference(measure.name);
    const PairedTest& t = cell.differences[m];
    if (t.difference.count == 0) return "<td>" + body + "</td>";
    const bool significant = cell.significant[m];
    const char* kind = !significant            ? ""
                       : t.difference.mean < 0 ? " class=\"better\""
                                               : " class=\"worse\"";
    body += "<br/><span class=\"diff\">" + std::string(t.difference.mean > 0 ? "+" : "") +
            fixedText(t.difference.mean, measure.decimals);
    if (baselineMean != 0) {
        const double percent = std::round(100 * t.difference.mean / baselineMean);
        if (percent == 0)
            body += " (&#177;0&#160;%)";
        else
            appendf(body, " (%+.0f&#160;%%)", percent);
    }
    body += significant ? " *</span>" : "</span>";
    if (!t.p)
        return std::string("<td") + kind + ">" + body +
               "<br/><span class=\"p\">no spread: not tested</span></td>";
    body += "<br/>" + intervalText(cell.holmIntervals[m], measure.decimals) +
            "<br/><span class=\"p\">p " + (*t.p < 0.001 ? "" : "= ") + pText(*t.p) + ", adj. " +
            pText(cell.holmP[m].value_or(1)) + "</span>";
    return std::string("<td") + kind + ">" + body + "</td>";
}

const char* const kStyle =
    R"(body{font-family:"Liberation Sans",Arial,Helvetica,sans-serif;color:#1a202c;margin:24px auto;max-width:1400px;padding:0 16px;line-height:1.4}
h1{font-size:1.6em;margin-bottom:.2em}h2{font-size:1.25em;margin-top:1.6em;border-bottom:1px solid #cbd5e0}
h3{font-size:1.05em;margin:1.2em 0 .3em}
table{border-collapse:collapse;font-size:.85em}th,td{padding:3px 8px;border-bottom:1px solid #e2e8f0;text-align:right;vertical-align:top;white-space:nowrap}
th{background:#edf2f7;position:sticky;top:0}td.name,th.name{text-align:left}
.params td{text-align:left;border:none;padding:1px 12px 1px 0;white-space:normal}.ci,.p{color:#4a5568;font-size:.85em}
td.better{background:#d7f5dd}td.worse{background:#fbd9d3}tr.first td{border-top:2px solid #a0aec0}
.plots{display:grid;grid-template-columns:repeat(2,minmax(0,1fr));gap:10px}
.plots svg{width:100%;height:auto;border:1px solid #e2e8f0}
@media (max-width:760px){.plots{grid-template-columns:minmax(0,1fr)}}
.legend{position:sticky;top:0;background:#ffffff;padding:4px 0;margin:0;z-index:1}
.legend span{display:inline-block;margin-right:18px}.swatch{display:inline-block;width:22px;height:0;border-top:3px solid;vertical-align:4px;margin-right:5px}
.warning{background:#fff4d6;border:1px solid #d69e2e;padding:6px 12px;margin:12px 0}.wide{overflow-x:auto})";

}  // namespace

namespace {

std::string parameterTable(const StudyPlan& plan) {
    std::string html = "<table class=\"params\">\n";
    const auto param = [&](const char* name, const std::string& value) {
        html += "<tr><td>" + std::string(name) + "</td><td>" + escapeXml(value) + "</td></tr>\n";
    };
    param("Traffic profiles",
          joinList(plan.profiles, ", ", [](const StudyProfile& p) { return p.name; }));
    param("Demands (calls per 1000 steps)", joinList(plan.demands, ", ", shortestNumber));
    param("Seeds per cell", std::to_string(plan.seeds) + " (" + std::to_string(plan.firstSeed) +
                                " to " + std::to_string(plan.firstSeed + plan.seeds - 1) + ")");
    param("Traffic length", std::to_string(plan.steps) + " steps, runs end " +
                                std::to_string(kStepsAfterTraffic) + " steps after the last call");
    param("Callers without destination", shortestNumber(plan.noDestinationShare));
    param("Long wait", "more than " + std::to_string(plan.longWait) + " steps");
    param("Systems", joinList(plan.systems, ", ", [](const SystemChoice& s) { return s.name(); }));
    param("Baseline", plan.baseline.name());
    param("Runs", std::to_string(plan.runCount()));
    param("Settings and networks", "fingerprint " + plan.dataFingerprint);
    param("Program", std::string("vardeck-cli ") + kProgramVersion);
    return html + "</table>\n";
}

std::string warningBanner(const std::vector<std::string>& warnings) {
    if (warnings.empty()) return {};
    std::string html =
        "<div class=\"warning\"><strong>Some runs did not serve their traffic; read the figures "
        "of these systems with care.</strong>\n<ul>\n";
    for (const std::string& w : warnings) html += "<li>" + escapeXml(w) + "</li>\n";
    return html + "</ul></div>\n";
}

std::string howToRead() {
    return "<h2>How to read this</h2>\n<p>A <em>passenger</em> is every recorded caller, "
           "whether the hall lamp was lit already or not; a passenger waits from their own "
           "press until the car takes them on board, and one still waiting when the run ends "
           "counts as waiting until its end. The per-lamp measures count one wait per lit hall "
           "lamp and leave out the callers who found it lit, so in busy traffic they say little "
           "of what passengers live through; they are kept for comparison.</p>\n"
           "<p>Every system replayed the same traffic for each seed, so each difference from "
           "the baseline is taken seed by seed (a paired comparison) and tested with the "
           "paired t-test. Because many cells and systems are tested at once, each p is "
           "adjusted by the Holm&#8211;Bonferroni method over all cells and systems of the "
           "study for that measure; a difference is <em>significant</em> (filled dot, coloured "
           "cell, *) when its adjusted p is below 0.05. Each whisker, and each interval under a "
           "difference in the table, is drawn at the confidence level that this correction "
           "leaves to it, so it stays clear of 0 exactly when the difference is significant. A "
           "difference that is the same for every seed has no spread and cannot be tested: it "
           "is shown as a hollow dot without whisker and is never significant.</p>\n"
           "<p>The plots put demand on a logarithmic scale. The bands around each system's "
           "line are plain 95&#160;% intervals of its mean; the baseline's line is dashed, with "
           "hollow dots, and drawn last, so a system that matches it shows through. In the "
           "tables, lower is better for every difference: a green cell is significantly "
           "better than the baseline, a red one significantly worse; no system is drawn in "
           "green or red.</p>\n";
}

// One table per measure: a row per profile and demand, a column per system.
std::string measureTable(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                         const Measure& measure) {
    const std::vector<std::string> colours = coloursOf(plan);
    std::string html = "<h3>" + std::string(measure.title) + " (" + measure.axis +
                       ")</h3>\n<div class=\"wide\"><table>\n<tr><th class=\"name\">profile</th>"
                       "<th>demand</th>";
    for (std::size_t k = 0; k < plan.systems.size(); ++k)
        html += "<th><span class=\"swatch\" style=\"border-color:" + colours[k] + "\"></span>" +
                plan.systems[k].name() + (plan.systems[k] == plan.baseline ? " (baseline)" : "") +
                "</th>";
    html += "</tr>\n";
    const std::size_t index = indexOfMeasure(measure.name);
    for (const StudyProfile& profile : plan.profiles) {
        for (double demand : plan.demands) {
            html += demand == plan.demands.front() ? "<tr class=\"first\">" : "<tr>";
            html += "<td class=\"name\">" + escapeXml(profile.name) + "</td><td>" +
                    shortestNumber(demand) + "</td>";
            const CellSummary* base = findCell(cells, profile, demand, plan.baseline);
            const double baseMean =
                base && base->measures[index].count ? base->measures[index].mean : 0;
            for (const SystemChoice& system : plan.systems) {
                const CellSummary* c = findCell(cells, profile, demand, system);
                html += c ? tableCell(*c, measure, baseMean) : "<td>&#8211;</td>";
            }
            html += "</tr>\n";
        }
    }
    return html + "</table></div>\n";
}

std::string summaryTables(const StudyPlan& plan, const std::vector<CellSummary>& cells) {
    std::string html =
        "<h2>Summary</h2>\n<p>Means over the seeds with their 95&#160;% intervals; times in "
        "steps. Under the other systems' means: the difference from " +
        std::string(plan.baseline.name()) +
        ", seed by seed, with its interval at the corrected level, the paired t-test's p and "
        "the Holm-adjusted p; * marks a significant difference. The tables <em>per lamp</em> "
        "count one wait per lit hall lamp.</p>\n";
    for (const Measure& measure : kMeasures) html += measureTable(plan, cells, measure);
    return html;
}

// Per profile, each plotted measure beside its differences from the baseline.
std::string plotSection(const StudyPlan& plan, const std::vector<CellSummary>& cells) {
    const std::vector<std::string> colours = coloursOf(plan);
    std::string html = "<h2>Per passenger, against demand</h2>\n<div>\n<p class=\"legend\">";
    for (std::size_t k = 0; k < plan.systems.size(); ++k) {
        const bool baseline = plan.systems[k] == plan.baseline;
        html += "<span><span class=\"swatch\" style=\"border-color:" + colours[k] +
                (baseline ? ";border-top-style:dashed" : "") + "\"></span>" +
                plan.systems[k].name() + (baseline ? " (baseline)" : "") + "</span>";
    }
    html += "</p>\n";
    const bool differences = plan.systems.size() > 1;
    for (const StudyProfile& profile : plan.profiles) {
        html += "<h3>" + escapeXml(profile.name) + "</h3>\n<div class=\"plots\">\n";
        for (std::size_t m = 0; m < kPlottedMeasures; ++m) {
            html += measurePlot(plan, cells, profile, kMeasures[m]);
            if (differences) html += differencePlot(plan, cells, profile, kMeasures[m]);
        }
        html += "</div>\n";
    }
    return html + "</div>\n";
}

}  // namespace

std::string renderStudyReport(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                              const std::vector<std::string>& warnings,
                              const std::string& periodSection) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
        "<title>Vardeck study</title>\n<style>\n";
    html += kStyle;
    html += "\n</style>\n</head>\n<body>\n<h1>Vardeck study</h1>\n";
    html += warningBanner(warnings);
    html += parameterTable(plan);
    html += howToRead();

    html += plotSection(plan, cells);
    html += periodSection;
    html += summaryTables(plan, cells);
    html += "</body>\n</html>\n";
    return html;
}

}  // namespace vardeck::study

#include "study/study_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "study/plot_frame.h"
#include "study/svg_chart.h"
#include "study/system_choice.h"
#include "study/version.h"

namespace vardeck::study {

namespace {

constexpr PlotBox kPlotBox{560, 300, 58, 30, 560 - 14, 300 - 46};
constexpr int kValueTicks = 5;

// A system keeps its colour whatever the order of the systems.
const char* colourOf(const SystemChoice& system) {
    if (system.isController()) return "#5f6b7a";
    switch (system.kind) {
        case SystemKind::Neuro:
            return "#e07b00";
        case SystemKind::Adaptive:
            return "#2a9d3f";
        case SystemKind::NeuroAhead:
            return "#8e44ad";
        case SystemKind::AdaptiveAhead:
            return "#c0392b";
        default:
            return "#2b6cb0";
    }
}

std::size_t indexOfMeasure(const char* name) {
    for (std::size_t i = 0; i < std::size(kSummaryMeasures); ++i)
        if (std::string(kSummaryMeasures[i]) == name) return i;
    return 0;
}

std::size_t indexOfDifference(const char* name) {
    for (std::size_t i = 0; i < std::size(kDifferenceMeasures); ++i)
        if (std::string(kDifferenceMeasures[i]) == name) return i;
    return 0;
}

const CellSummary* findCell(const std::vector<CellSummary>& cells, TrafficProfile profile,
                            double demand, const SystemChoice& system) {
    for (const CellSummary& c : cells)
        if (c.profile == profile && c.demand == demand && c.system == system) return &c;
    return nullptr;
}

std::string number(double value, int decimals) {
    std::string text;
    appendf(text, "%.*f", decimals, std::fabs(value) < 1e-12 ? 0.0 : value);
    return text;
}

// A plot against demand: one place per demand, evenly spaced, and a value axis from lo to hi.
PlotFrame demandFrame(const StudyPlan& plan, double lo, double hi) {
    return PlotFrame(kPlotBox, -0.5, double(plan.demands.size()) - 0.5, lo, hi, kValueTicks);
}

void drawDemandAxes(std::string& svg, const PlotFrame& frame, const StudyPlan& plan,
                    const std::string& yLabel, const std::string& title) {
    std::vector<AxisTick> ticks;
    for (std::size_t i = 0; i < plan.demands.size(); ++i)
        ticks.push_back({double(i), shortestNumber(plan.demands[i])});
    frame.draw(svg, ticks, title, "demand (calls per 1000 steps)", yLabel);
}

// Mean wait per passenger against demand, each system a line with its 95 % band.
std::string waitPlot(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                     TrafficProfile profile) {
    const std::size_t wait = indexOfMeasure("pax_wait_mean");
    double lo = 0, hi = 0;
    for (const CellSummary& c : cells) {
        if (c.profile != profile || c.measures[wait].count == 0) continue;
        hi = std::max({hi, c.measures[wait].mean, c.measures[wait].high.value_or(0)});
    }
    const PlotFrame frame = demandFrame(plan, lo, hi);
    const std::string title =
        std::string(trafficProfileName(profile)) + ": mean wait per passenger";
    std::string svg = frame.open(title);
    drawDemandAxes(svg, frame, plan, "mean wait (steps)", title);
    for (const SystemChoice& system : plan.systems) {
        std::string line, upper, lower;
        std::string dots;
        for (std::size_t i = 0; i < plan.demands.size(); ++i) {
            const CellSummary* c = findCell(cells, profile, plan.demands[i], system);
            if (!c || c->measures[wait].count == 0) continue;
            const MeanInterval& m = c->measures[wait];
            appendf(line, "%.1f,%.1f ", frame.x(i), frame.y(m.mean));
            appendf(upper, "%.1f,%.1f ", frame.x(i), frame.y(m.high.value_or(m.mean)));
            std::string point;
            appendf(point, "%.1f,%.1f ", frame.x(i), frame.y(m.low.value_or(m.mean)));
            lower = point + lower;
            appendf(dots,
                    "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3\" fill=\"%s\"><title>%s, demand %s: "
                    "%s steps</title></circle>\n",
                    frame.x(i), frame.y(m.mean), colourOf(system), system.name().c_str(),
                    shortestNumber(plan.demands[i]).c_str(), number(m.mean, 2).c_str());
        }
        if (line.empty()) continue;
        appendf(svg,
                "<polygon points=\"%s%s\" fill=\"%s\" fill-opacity=\"0.18\" stroke=\"none\"/>\n",
                upper.c_str(), lower.c_str(), colourOf(system));
        appendf(svg, "<polyline points=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"2\"/>\n%s",
                line.c_str(), colourOf(system), dots.c_str());
    }
    return svg + "</svg>\n";
}

// The paired differences of one measure from the baseline. A filled dot is significant after
// the correction for many tests; its whisker is drawn at the level the correction leaves it,
// so it clears 0 exactly when the dot is filled. A difference without spread cannot be
// tested: a hollow dot without whisker.
std::string differencePlot(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                           TrafficProfile profile, const char* measure, const char* what) {
    const std::size_t index = indexOfDifference(measure);
    double lo = 0, hi = 0;
    for (const CellSummary& c : cells) {
        if (c.profile != profile || c.differences.empty() ||
            c.differences[index].difference.count == 0)
            continue;
        const MeanInterval& d = c.holmIntervals[index];
        lo = std::min({lo, d.mean, d.low.value_or(d.mean)});
        hi = std::max({hi, d.mean, d.high.value_or(d.mean)});
    }
    const PlotFrame frame = demandFrame(plan, lo, hi);
    const std::string title = std::string(trafficProfileName(profile)) + ": " + what + ", " +
                              "difference from " + plan.baseline.name();
    std::string svg = frame.open(title);
    drawDemandAxes(svg, frame, plan, std::string(what) + " difference (steps)", title);
    appendf(svg,
            "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"#1a202c\" "
            "stroke-dasharray=\"4 3\"/>\n",
            kPlotBox.left, kPlotBox.right, frame.y(0), frame.y(0));

    std::vector<SystemChoice> others;
    for (const SystemChoice& s : plan.systems)
        if (s != plan.baseline) others.push_back(s);
    for (std::size_t k = 0; k < others.size(); ++k) {
        const double offset = (double(k) - double(others.size() - 1) / 2) * 12;
        for (std::size_t i = 0; i < plan.demands.size(); ++i) {
            const CellSummary* c = findCell(cells, profile, plan.demands[i], others[k]);
            if (!c || c->differences[index].difference.count == 0) continue;
            const MeanInterval& d = c->holmIntervals[index];
            const bool testable = c->holmP[index].has_value();
            const double x = frame.x(i) + offset;
            const char* colour = colourOf(others[k]);
            if (testable && d.low && d.high)
                appendf(svg,
                        "<path d=\"M%.1f %.1fV%.1fM%.1f %.1fh8M%.1f %.1fh8\" stroke=\"%s\" "
                        "stroke-width=\"1.5\" fill=\"none\"/>\n",
                        x, frame.y(*d.low), frame.y(*d.high), x - 4, frame.y(*d.low), x - 4,
                        frame.y(*d.high), colour);
            const bool significant = c->significant[index];
            appendf(svg,
                    "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"4\" fill=\"%s\" stroke=\"%s\" "
                    "stroke-width=\"1.5\"><title>%s - %s, demand %s: %s steps%s</title></circle>\n",
                    x, frame.y(d.mean), significant ? colour : "#ffffff", colour,
                    others[k].name().c_str(), plan.baseline.name().c_str(),
                    shortestNumber(plan.demands[i]).c_str(), number(d.mean, 2).c_str(),
                    significant ? " (significant)"
                    : testable  ? ""
                                : " (no spread: not testable)");
        }
    }
    return svg + "</svg>\n";
}

std::string intervalText(const MeanInterval& m, int decimals) {
    if (m.count == 0) return "&#8211;";
    std::string text = number(m.mean, decimals);
    if (m.low && m.high)
        text += "<br/><span class=\"ci\">" + number(*m.low, decimals) + " to " +
                number(*m.high, decimals) + "</span>";
    return text;
}

std::string pText(double p) {
    std::string text;
    if (p < 0.001)
        text = "&lt;0.001";
    else
        appendf(text, "%.3f", p);
    return text;
}

// A difference cell: the mean with its interval at the corrected level, p and the adjusted p,
// and a mark when significant; lower is better for every compared measure.
std::string differenceCell(const CellSummary& cell, std::size_t m, double baselineMean,
                           int decimals) {
    const PairedTest& t = cell.differences[m];
    if (t.difference.count == 0) return "<td>&#8211;</td>";
    const bool significant = cell.significant[m];
    const char* kind = !significant            ? ""
                       : t.difference.mean < 0 ? " class=\"better\""
                                               : " class=\"worse\"";
    std::string text = std::string("<td") + kind + ">" + (t.difference.mean > 0 ? "+" : "") +
                       number(t.difference.mean, decimals);
    if (baselineMean != 0)
        appendf(text, " <span class=\"rel\">(%+.0f%%)</span>",
                100 * t.difference.mean / baselineMean);
    const MeanInterval& whisker = cell.holmIntervals[m];
    if (!t.p) {
        text += "<br/><span class=\"p\">no spread: not tested</span>";
    } else {
        if (whisker.low && whisker.high)
            text += "<br/><span class=\"ci\">" + number(*whisker.low, decimals) + " to " +
                    number(*whisker.high, decimals) + "</span>";
        text += "<br/><span class=\"p\">p=" + pText(*t.p) + ", adj. " +
                pText(cell.holmP[m].value_or(1)) + (significant ? " *" : "") + "</span>";
    }
    return text + "</td>";
}

const char* const kStyle =
    R"(body{font-family:"Liberation Sans",Arial,Helvetica,sans-serif;color:#1a202c;margin:24px auto;max-width:1800px;padding:0 16px;line-height:1.4}
h1{font-size:1.6em;margin-bottom:.2em}h2{font-size:1.25em;margin-top:1.6em;border-bottom:1px solid #cbd5e0}
h3{font-size:1.05em;margin:1em 0 .3em}
table{border-collapse:collapse;font-size:.85em}th,td{padding:3px 7px;border-bottom:1px solid #e2e8f0;text-align:right;vertical-align:top;white-space:nowrap}
th{white-space:normal}
th{background:#edf2f7;position:sticky;top:0}td.name,th.name{text-align:left}
.params td{text-align:left;border:none;padding:1px 12px 1px 0}.ci,.p,.rel{color:#4a5568;font-size:.85em}
td.better{background:#d7f5dd}td.worse{background:#fbd9d3}tr.first td{border-top:2px solid #a0aec0}
.plots{display:flex;flex-wrap:wrap;gap:8px}
.legend span{display:inline-block;margin-right:18px}.swatch{display:inline-block;width:14px;height:14px;border-radius:2px;vertical-align:-2px;margin-right:5px}
svg{border:1px solid #e2e8f0}
.warning{background:#fff4d6;border:1px solid #d69e2e;padding:6px 12px;margin:12px 0}.wide{overflow-x:auto})";

}  // namespace

namespace {

std::string parameterTable(const StudyPlan& plan) {
    std::string profiles, demands, systems;
    for (TrafficProfile p : plan.profiles)
        profiles += (profiles.empty() ? "" : ", ") + std::string(trafficProfileName(p));
    for (double d : plan.demands) demands += (demands.empty() ? "" : ", ") + shortestNumber(d);
    for (const SystemChoice& s : plan.systems) systems += (systems.empty() ? "" : ", ") + s.name();
    std::string html = "<table class=\"params\">\n";
    const auto param = [&](const char* name, const std::string& value) {
        html += "<tr><td>" + std::string(name) + "</td><td>" + escapeXml(value) + "</td></tr>\n";
    };
    param("Traffic profiles", profiles);
    param("Demands (calls per 1000 steps)", demands);
    param("Seeds per cell", std::to_string(plan.seeds) + " (" + std::to_string(plan.firstSeed) +
                                " to " + std::to_string(plan.firstSeed + plan.seeds - 1) + ")");
    param("Traffic length",
          std::to_string(plan.steps) + " steps, runs end 200 steps after the last call");
    param("Callers without destination", shortestNumber(plan.noDestinationShare));
    param("Long wait", "more than " + std::to_string(plan.longWait) + " steps");
    param("Systems", systems);
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
           "is shown as a hollow dot without whisker and is never significant. The bands of "
           "the wait plots are plain 95&#160;% intervals of each system's mean. Green means "
           "less than the baseline (better), red more.</p>\n";
}

struct TableColumn {
    const char* measure;
    const char* heading;
    int decimals;
};

// Per passenger first: what the callers live through.
const TableColumn kMeasureColumns[] = {
    {"pax_wait_mean", "mean wait", 2},      {"pax_wait_p95", "95th pct. wait", 1},
    {"pax_wait_max", "longest wait", 1},    {"pax_long_share", "long-wait share", 3},
    {"pax_journey_mean", "journey", 2},     {"pax_unserved", "unserved", 2},
    {"wait_mean", "mean wait per lamp", 2}, {"floors", "floors", 0},
    {"eff_mean", "efficiency", 3}};
const TableColumn kDifferenceColumns[] = {
    {"pax_wait_mean", "&#916; mean wait", 2},
    {"pax_wait_p95", "&#916; 95th pct. wait", 1},
    {"pax_wait_max", "&#916; longest wait", 1},
    {"pax_long_share", "&#916; long-wait share", 3},
    {"pax_journey_mean", "&#916; journey", 2},
    {"wait_mean", "&#916; mean wait per lamp", 2},
    {"wait_p95", "&#916; 95th pct. per lamp", 1},
    {"dest_time_mean", "&#916; time to destination per lamp", 2},
    {"floors", "&#916; floors", 0}};

std::string summaryTable(const StudyPlan& plan, const std::vector<CellSummary>& cells) {
    std::string html =
        "<h2>Summary</h2>\n<p>Means over the seeds with their 95&#160;% intervals; times in "
        "steps. The first columns count every passenger; the columns marked <em>per lamp</em> "
        "count one wait per lit hall lamp. Differences are the system minus " +
        plan.baseline.name() +
        ", seed by seed, with the paired t-test's p and the Holm-adjusted p.</p>\n"
        "<div class=\"wide\"><table>\n<tr><th class=\"name\">profile</th><th>demand</th>"
        "<th class=\"name\">system</th>";
    for (const TableColumn& c : kMeasureColumns) html += std::string("<th>") + c.heading + "</th>";
    for (const TableColumn& c : kDifferenceColumns)
        html += std::string("<th>") + c.heading + "</th>";
    html += "</tr>\n";
    const SystemChoice firstSystem = plan.systems.front();
    for (const CellSummary& c : cells) {
        html += c.system == firstSystem ? "<tr class=\"first\">" : "<tr>";
        html += "<td class=\"name\">" + std::string(trafficProfileName(c.profile)) + "</td><td>" +
                shortestNumber(c.demand) + "</td><td class=\"name\">" + c.system.name() + "</td>";
        for (const TableColumn& column : kMeasureColumns)
            html += "<td>" +
                    intervalText(c.measures[indexOfMeasure(column.measure)], column.decimals) +
                    "</td>";
        const CellSummary* base = findCell(cells, c.profile, c.demand, plan.baseline);
        for (const TableColumn& column : kDifferenceColumns) {
            if (c.differences.empty()) {
                html += "<td></td>";
                continue;
            }
            const std::size_t measure = indexOfMeasure(column.measure);
            const double baseMean =
                base && base->measures[measure].count ? base->measures[measure].mean : 0;
            html += differenceCell(c, indexOfDifference(column.measure), baseMean, column.decimals);
        }
        html += "</tr>\n";
    }
    return html + "</table></div>\n";
}

}  // namespace

std::string renderStudyReport(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                              const std::vector<std::string>& warnings) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
        "<title>Vardeck study</title>\n<style>\n";
    html += kStyle;
    html += "\n</style>\n</head>\n<body>\n<h1>Vardeck study</h1>\n";
    html += warningBanner(warnings);
    html += parameterTable(plan);
    html += howToRead();

    html += "<h2>Waiting time per passenger</h2>\n<p class=\"legend\">";
    for (const SystemChoice& s : plan.systems)
        html += std::string("<span><span class=\"swatch\" style=\"background:") + colourOf(s) +
                "\"></span>" + s.name() + "</span>";
    html += "</p>\n";
    for (TrafficProfile profile : plan.profiles) {
        html +=
            "<h3>" + std::string(trafficProfileName(profile)) + "</h3>\n<div class=\"plots\">\n";
        html += waitPlot(plan, cells, profile);
        if (plan.systems.size() > 1) {
            html += differencePlot(plan, cells, profile, "pax_wait_mean", "mean wait");
            html += differencePlot(plan, cells, profile, "pax_wait_p95", "95th pct. wait");
        }
        html += "</div>\n";
    }
    html += summaryTable(plan, cells);
    html += "</body>\n</html>\n";
    return html;
}

}  // namespace vardeck::study

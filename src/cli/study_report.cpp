#include "cli/study_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "cli/svg_chart.h"
#include "cli/system_names.h"

#ifndef VARDECK_VERSION
#define VARDECK_VERSION "unknown"
#endif

namespace vardeck::cli {

namespace {

constexpr double kPlotWidth = 560;
constexpr double kPlotHeight = 300;
constexpr double kLeft = 58;
constexpr double kRight = 14;
constexpr double kTop = 30;
constexpr double kBottom = 46;

// A system keeps its colour whatever the order of the systems.
const char* colourOf(SystemKind kind) {
    switch (kind) {
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
                            double demand, SystemKind system) {
    for (const CellSummary& c : cells)
        if (c.profile == profile && c.demand == demand && c.system == system) return &c;
    return nullptr;
}

std::string number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, std::fabs(value) < 1e-12 ? 0.0 : value);
    return text;
}

// The frame of one plot: the demand axis (one place per demand) and a value axis.
class PlotFrame {
public:
    PlotFrame(std::size_t places, double lo, double hi) : places_(places) {
        if (!(hi > lo)) hi = lo + 1;
        step_ = tickStep(hi - lo, 5);
        lo_ = std::floor(lo / step_) * step_;
        hi_ = std::ceil(hi / step_) * step_;
    }

    double x(std::size_t place) const {
        const double inner = kPlotWidth - kLeft - kRight;
        return kLeft + inner * (double(place) + 0.5) / double(places_);
    }
    double y(double value) const {
        const double inner = kPlotHeight - kTop - kBottom;
        return kTop + inner * (hi_ - value) / (hi_ - lo_);
    }

    void drawAxes(std::string& svg, const std::vector<std::string>& placeLabels,
                  const std::string& yLabel, const std::string& title) const {
        appendf(svg, "<text x=\"%.1f\" y=\"18\" class=\"title\">%s</text>\n", kLeft,
                escapeXml(title).c_str());
        const int decimals = decimalsFor(step_);
        for (double v = lo_; v <= hi_ + step_ * 1e-9; v += step_) {
            appendf(svg,
                    "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" class=\"grid\"/>"
                    "<text x=\"%.1f\" y=\"%.1f\" class=\"tick\" text-anchor=\"end\">%s</text>\n",
                    kLeft, kPlotWidth - kRight, y(v), y(v), kLeft - 6, y(v) + 4,
                    number(v, decimals).c_str());
        }
        const double bottom = kPlotHeight - kBottom;
        appendf(svg,
                "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" class=\"axis\"/>\n"
                "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" class=\"axis\"/>\n",
                kLeft, kPlotWidth - kRight, bottom, bottom, kLeft, kLeft, kTop, bottom);
        for (std::size_t i = 0; i < placeLabels.size(); ++i)
            appendf(svg,
                    "<text x=\"%.1f\" y=\"%.1f\" class=\"tick\" text-anchor=\"middle\">%s</text>\n",
                    x(i), bottom + 16, escapeXml(placeLabels[i]).c_str());
        appendf(svg,
                "<text x=\"%.1f\" y=\"%.1f\" class=\"label\" text-anchor=\"middle\">demand "
                "(calls per 1000 steps)</text>\n",
                (kLeft + kPlotWidth - kRight) / 2, kPlotHeight - 8);
        appendf(svg,
                "<text transform=\"translate(14 %.1f) rotate(-90)\" class=\"label\" "
                "text-anchor=\"middle\">%s</text>\n",
                (kTop + bottom) / 2, escapeXml(yLabel).c_str());
    }

private:
    std::size_t places_;
    double lo_ = 0, hi_ = 1, step_ = 1;
};

std::string svgOpen(const std::string& label) {
    std::string svg;
    appendf(svg,
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
            "viewBox=\"0 0 %.0f %.0f\" role=\"img\" aria-label=\"%s\">\n",
            kPlotWidth, kPlotHeight, kPlotWidth, kPlotHeight, escapeXml(label).c_str());
    return svg;
}

std::vector<std::string> demandLabels(const StudyPlan& plan) {
    std::vector<std::string> labels;
    for (double d : plan.demands) labels.push_back(shortestNumber(d));
    return labels;
}

// Mean wait against demand, each system a line with its 95 % band.
std::string waitPlot(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                     TrafficProfile profile) {
    const std::size_t wait = indexOfMeasure("wait_mean");
    double lo = 0, hi = 0;
    for (const CellSummary& c : cells) {
        if (c.profile != profile || c.measures[wait].count == 0) continue;
        hi = std::max({hi, c.measures[wait].mean, c.measures[wait].high.value_or(0)});
    }
    const PlotFrame frame(plan.demands.size(), lo, hi);
    const std::string title = std::string(trafficProfileName(profile)) + ": mean wait";
    std::string svg = svgOpen(title);
    frame.drawAxes(svg, demandLabels(plan), "mean wait (steps)", title);
    for (SystemKind system : plan.systems) {
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
                    frame.x(i), frame.y(m.mean), colourOf(system), systemName(system),
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

// The paired differences of mean wait from the baseline, with their 95 % whiskers; a filled
// dot is significant after the correction, a hollow one is not.
std::string differencePlot(const StudyPlan& plan, const std::vector<CellSummary>& cells,
                           TrafficProfile profile) {
    const std::size_t wait = indexOfDifference("wait_mean");
    double lo = 0, hi = 0;
    for (const CellSummary& c : cells) {
        if (c.profile != profile || c.differences.empty() ||
            c.differences[wait].difference.count == 0)
            continue;
        const MeanInterval& d = c.differences[wait].difference;
        lo = std::min({lo, d.mean, d.low.value_or(d.mean)});
        hi = std::max({hi, d.mean, d.high.value_or(d.mean)});
    }
    const PlotFrame frame(plan.demands.size(), lo, hi);
    const std::string title =
        std::string(trafficProfileName(profile)) + ": difference from " + systemName(plan.baseline);
    std::string svg = svgOpen(title);
    frame.drawAxes(svg, demandLabels(plan), "mean wait difference (steps)", title);
    appendf(svg, "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" class=\"zero\"/>\n", kLeft,
            kPlotWidth - kRight, frame.y(0), frame.y(0));
    appendf(svg,
            "<text x=\"%.1f\" y=\"18\" class=\"tick\" text-anchor=\"end\">filled: significant, "
            "hollow: not</text>\n",
            kPlotWidth - kRight);

    std::vector<SystemKind> others;
    for (SystemKind s : plan.systems)
        if (s != plan.baseline) others.push_back(s);
    for (std::size_t k = 0; k < others.size(); ++k) {
        const double offset = (double(k) - double(others.size() - 1) / 2) * 12;
        for (std::size_t i = 0; i < plan.demands.size(); ++i) {
            const CellSummary* c = findCell(cells, profile, plan.demands[i], others[k]);
            if (!c || c->differences[wait].difference.count == 0) continue;
            const MeanInterval& d = c->differences[wait].difference;
            const double x = frame.x(i) + offset;
            const char* colour = colourOf(others[k]);
            if (d.low && d.high)
                appendf(svg,
                        "<path d=\"M%.1f %.1fV%.1fM%.1f %.1fh8M%.1f %.1fh8\" stroke=\"%s\" "
                        "stroke-width=\"1.5\" fill=\"none\"/>\n",
                        x, frame.y(*d.low), frame.y(*d.high), x - 4, frame.y(*d.low), x - 4,
                        frame.y(*d.high), colour);
            const bool significant = c->significant[wait];
            appendf(svg,
                    "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"4\" fill=\"%s\" stroke=\"%s\" "
                    "stroke-width=\"1.5\"><title>%s - %s, demand %s: %s steps%s</title></circle>\n",
                    x, frame.y(d.mean), significant ? colour : "#ffffff", colour,
                    systemName(others[k]), systemName(plan.baseline),
                    shortestNumber(plan.demands[i]).c_str(), number(d.mean, 2).c_str(),
                    significant ? " (significant)" : "");
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

// A difference cell: the mean and interval, p, and a mark when significant; lower is better
// for every compared measure.
std::string differenceCell(const CellSummary& cell, std::size_t m, double baselineMean) {
    const PairedTest& t = cell.differences[m];
    if (t.difference.count == 0) return "<td>&#8211;</td>";
    const bool significant = cell.significant[m];
    const char* kind = !significant            ? ""
                       : t.difference.mean < 0 ? " class=\"better\""
                                               : " class=\"worse\"";
    std::string text = std::string("<td") + kind + ">" + (t.difference.mean > 0 ? "+" : "") +
                       number(t.difference.mean, 2);
    if (baselineMean != 0)
        appendf(text, " <span class=\"rel\">(%+.0f%%)</span>",
                100 * t.difference.mean / baselineMean);
    if (t.difference.low && t.difference.high)
        text += "<br/><span class=\"ci\">" + number(*t.difference.low, 2) + " to " +
                number(*t.difference.high, 2) + "</span>";
    if (t.p) {
        char p[32];
        if (*t.p < 0.001)
            std::snprintf(p, sizeof p, "p&lt;0.001");
        else
            std::snprintf(p, sizeof p, "p=%.3f", *t.p);
        text += std::string("<br/><span class=\"p\">") + p + (significant ? " *" : "") + "</span>";
    }
    return text + "</td>";
}

const char* const kStyle =
    R"(body{font-family:"Liberation Sans",Arial,Helvetica,sans-serif;color:#1a202c;margin:24px auto;max-width:1200px;padding:0 16px;line-height:1.4}
h1{font-size:1.6em;margin-bottom:.2em}h2{font-size:1.25em;margin-top:1.6em;border-bottom:1px solid #cbd5e0}
h3{font-size:1.05em;margin:1em 0 .3em}
table{border-collapse:collapse;font-size:.85em}th,td{padding:3px 7px;border-bottom:1px solid #e2e8f0;text-align:right;vertical-align:top;white-space:nowrap}
th{white-space:normal}
th{background:#edf2f7;position:sticky;top:0}td.name,th.name{text-align:left}
.params td{text-align:left;border:none;padding:1px 12px 1px 0}.ci,.p,.rel{color:#4a5568;font-size:.85em}
td.better{background:#d7f5dd}td.worse{background:#fbd9d3}tr.first td{border-top:2px solid #a0aec0}
.plots{display:flex;flex-wrap:wrap;gap:8px}
.legend span{display:inline-block;margin-right:18px}.swatch{display:inline-block;width:14px;height:14px;border-radius:2px;vertical-align:-2px;margin-right:5px}
svg{background:#fff;border:1px solid #e2e8f0}svg text{font-family:"Liberation Sans",Arial,sans-serif}
svg .title{font-size:13px;font-weight:bold;fill:#1a202c}svg .tick{font-size:11px;fill:#4a5568}svg .label{font-size:11px;fill:#2d3748}
svg .grid{stroke:#edf2f7}svg .axis{stroke:#718096}svg .zero{stroke:#1a202c;stroke-dasharray:4 3})";

}  // namespace

std::string renderStudyReport(const StudyPlan& plan, const std::vector<CellSummary>& cells) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
        "<title>Vardeck study</title>\n<style>\n";
    html += kStyle;
    html += "\n</style>\n</head>\n<body>\n<h1>Vardeck study</h1>\n";

    std::string profiles, demands, systems;
    for (TrafficProfile p : plan.profiles)
        profiles += (profiles.empty() ? "" : ", ") + std::string(trafficProfileName(p));
    for (double d : plan.demands) demands += (demands.empty() ? "" : ", ") + shortestNumber(d);
    for (SystemKind s : plan.systems)
        systems += (systems.empty() ? "" : ", ") + std::string(systemName(s));
    html += "<table class=\"params\">\n";
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
    param("Systems", systems);
    param("Baseline", systemName(plan.baseline));
    param("Runs", std::to_string(plan.runCount()));
    param("Settings and networks", "fingerprint " + plan.dataFingerprint);
    param("Program", std::string("vardeck-cli ") + VARDECK_VERSION);
    html += "</table>\n";

    html +=
        "<h2>How to read this</h2>\n<p>Every system replayed the same traffic for each seed, so "
        "each difference from the baseline is taken seed by seed (a paired comparison). A "
        "band or whisker is the 95&#160;% confidence interval of the mean over the seeds; a "
        "difference whose interval stays clear of 0 is unlikely to be noise. Differences "
        "marked significant (filled dots, coloured cells, *) keep p&#160;&lt;&#160;0.05 after "
        "the Holm&#8211;Bonferroni correction over all cells and systems, so that testing "
        "many cells does not make chance findings look real; green means fewer steps than "
        "the baseline (better), red more.</p>\n";

    html += "<h2>Mean waiting time</h2>\n<p class=\"legend\">";
    for (SystemKind s : plan.systems)
        html += std::string("<span><span class=\"swatch\" style=\"background:") + colourOf(s) +
                "\"></span>" + systemName(s) + "</span>";
    html += "</p>\n";
    for (TrafficProfile profile : plan.profiles) {
        html +=
            "<h3>" + std::string(trafficProfileName(profile)) + "</h3>\n<div class=\"plots\">\n";
        html += waitPlot(plan, cells, profile);
        if (plan.systems.size() > 1) html += differencePlot(plan, cells, profile);
        html += "</div>\n";
    }

    html +=
        "<h2>Summary</h2>\n<p>Means over the seeds with their 95&#160;% intervals; times in "
        "steps. Differences are the system minus " +
        std::string(systemName(plan.baseline)) +
        ", seed by seed, with the paired t-test's p.</p>\n<table>\n<tr><th "
        "class=\"name\">profile</th>"
        "<th>demand</th><th class=\"name\">system</th><th>mean wait</th><th>95th pct. wait</th>"
        "<th>longest wait</th><th>time to destination</th><th>floors</th>"
        "<th>efficiency</th><th>still waiting</th><th>&#916; mean wait</th>"
        "<th>&#916; 95th pct. wait</th><th>&#916; time to destination</th><th>&#916; "
        "floors</th></tr>\n";
    SystemKind firstSystem = plan.systems.front();
    for (const CellSummary& c : cells) {
        const auto m = [&](const char* name, int decimals) {
            return "<td>" + intervalText(c.measures[indexOfMeasure(name)], decimals) + "</td>";
        };
        html += c.system == firstSystem ? "<tr class=\"first\">" : "<tr>";
        html += "<td class=\"name\">" + std::string(trafficProfileName(c.profile)) + "</td><td>" +
                shortestNumber(c.demand) + "</td><td class=\"name\">" + systemName(c.system) +
                "</td>";
        html += m("wait_mean", 2) + m("wait_p95", 1) + m("wait_max", 1) + m("dest_time_mean", 2) +
                m("floors", 0) + m("eff_mean", 3) + m("still_waiting", 2);
        if (c.differences.empty()) {
            html += "<td></td><td></td><td></td><td></td>";
        } else {
            const CellSummary* base = findCell(cells, c.profile, c.demand, plan.baseline);
            for (const char* name : kDifferenceMeasures) {
                const std::size_t measure = indexOfMeasure(name);
                const double baseMean =
                    base && base->measures[measure].count ? base->measures[measure].mean : 0;
                html += differenceCell(c, indexOfDifference(name), baseMean);
            }
        }
        html += "</tr>\n";
    }
    html += "</table>\n</body>\n</html>\n";
    return html;
}

}  // namespace vardeck::cli

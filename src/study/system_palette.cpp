#include "study/system_palette.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace vardeck::study {

namespace {

struct NamedColour {
    const char* system;
    const char* colour;
};

constexpr NamedColour kBuiltIn[] = {{"schedule", "#2b6cb0"},
                                    {"neuro", "#e07b00"},
                                    {"adaptive", "#0b8fa3"},
                                    {"neuro-ahead", "#8e44ad"},
                                    {"adaptive-ahead", "#8c564b"}};

constexpr const char* kSpare[] = {"#c99a06", "#d35fb7", "#5f6b7a", "#3949ab", "#7a6a00"};

// Beyond the named colours, hues a golden angle apart that skip the reds and the greens.
std::string generatedColour(std::size_t k) {
    double hue = 0;
    for (std::size_t step = 0; step <= k;) {
        hue = std::fmod(hue + 137.508, 360);
        const bool red = hue < 20 || hue > 330, green = hue > 75 && hue < 165;
        if (!red && !green) ++step;
    }
    // HSL with saturation 0.6 and a lightness of 0.3, 0.4 or 0.5 in turn, to RGB.
    const double lightness = 0.3 + 0.1 * double(k % 3);
    const double chroma = 1.2 * std::min(lightness, 1 - lightness), h = hue / 60;
    const double x = chroma * (1 - std::fabs(std::fmod(h, 2) - 1)), m = lightness - chroma / 2;
    double r = 0, g = 0, b = 0;
    if (h < 1)
        r = chroma, g = x;
    else if (h < 2)
        r = x, g = chroma;
    else if (h < 3)
        g = chroma, b = x;
    else if (h < 4)
        g = x, b = chroma;
    else if (h < 5)
        r = x, b = chroma;
    else
        r = chroma, b = x;
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", int(std::lround((r + m) * 255)),
                  int(std::lround((g + m) * 255)), int(std::lround((b + m) * 255)));
    return text;
}

}  // namespace

std::vector<std::string> systemColours(const std::vector<std::string>& names) {
    std::vector<std::string> colours(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        for (const NamedColour& c : kBuiltIn)
            if (names[i] == c.system) colours[i] = c.colour;
    std::size_t spare = 0, generated = 0;
    const auto taken = [&](const std::string& colour) {
        return std::find(colours.begin(), colours.end(), colour) != colours.end();
    };
    for (std::string& colour : colours) {
        // Rounded to whole bytes, two hues may meet; after many tries one is taken twice
        // rather than never.
        for (int tries = 0; colour.empty(); ++tries) {
            const std::string next =
                spare < std::size(kSpare) ? kSpare[spare++] : generatedColour(generated++);
            if (!taken(next) || tries > 1000) colour = next;
        }
    }
    return colours;
}

}  // namespace vardeck::study

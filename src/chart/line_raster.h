#pragma once

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace vardeck {

// num / den rounded to the nearest integer, halves toward the smaller value (den > 0). Where an
// ideal line passes exactly between two pixels the one with the smaller coordinate is lit, so a
// line covers the same pixels whichever way it is drawn.
inline long long roundHalfDown(long long num, long long den) {
    // The ceiling of (2 num - den) / 2 den, as minus the floor of its negation.
    const long long a = den - 2 * num;
    const long long b = 2 * den;
    long long floor = a / b;
    if (a % b != 0 && a < 0) --floor;
    return -floor;
}

// The pixels that the drawing code may set: x in [left, right), y in [top, bottom).
struct PixelBounds {
    long long left = INT_MIN;
    long long top = INT_MIN;
    long long right = INT_MAX;
    long long bottom = INT_MAX;
};

namespace detail {

// The range [begin, end) of k in [0, count) for which start + sign * k lies in [low, high).
inline void clipSteps(long long start, int sign, long long count, long long low, long long high,
                      long long& begin, long long& end) {
    if (sign > 0) {
        begin = std::max(0LL, low - start);
        end = std::min(count, high - start);
    } else {
        begin = std::max(0LL, start - (high - 1));
        end = std::min(count, start - low + 1);
    }
}

}  // namespace detail

// The lines of the window system the pictures imitate: 1 pixel wide, covering the start pixel and
// not the end pixel, one pixel per step along the longer axis. `plot(x, y)` is called for every
// pixel of the line inside `bounds`; only the steps inside them are visited, so a line to a
// far-away point costs no more than one across the bounds.
template <class Plot>
void rasterizeLine(int x0, int y0, int x1, int y1, const PixelBounds& bounds, Plot&& plot) {
    const long long dx = static_cast<long long>(x1) - x0;
    const long long dy = static_cast<long long>(y1) - y0;
    const long long adx = std::llabs(dx);
    const long long ady = std::llabs(dy);
    if (adx == 0 && ady == 0) return;
    long long begin = 0;
    long long end = 0;
    if (adx >= ady) {
        const int sx = dx > 0 ? 1 : -1;
        detail::clipSteps(x0, sx, adx, bounds.left, bounds.right, begin, end);
        for (long long k = begin; k < end; ++k) {
            const long long y = y0 + roundHalfDown(dy * k, adx);
            if (y >= bounds.top && y < bounds.bottom) {
                plot(static_cast<int>(x0 + sx * k), static_cast<int>(y));
            }
        }
    } else {
        const int sy = dy > 0 ? 1 : -1;
        detail::clipSteps(y0, sy, ady, bounds.top, bounds.bottom, begin, end);
        for (long long k = begin; k < end; ++k) {
            const long long x = x0 + roundHalfDown(dx * k, ady);
            if (x >= bounds.left && x < bounds.right) {
                plot(static_cast<int>(x), static_cast<int>(y0 + sy * k));
            }
        }
    }
}

}  // namespace vardeck

#pragma once

namespace vardeck {

// Where the building strip of the main window puts its floors and columns, in client pixels with
// y growing downward. Floor rows are counted up from the bottom edge of the client area; the
// columns (1 to 8) come in two groups of four with a gap between them.
namespace strip {

// The height of one floor's row, and the bottom of floor 1's row above the client's bottom edge.
inline constexpr int kRowHeight = 15;
inline constexpr int kBaseline = 18;

// Column c of the first group starts at kColumnOrigin + c * kColumnPitch; the second group is
// shifted right by kGroupGap.
inline constexpr int kColumnOrigin = 20;
inline constexpr int kColumnPitch = 22;
inline constexpr int kColumnsPerGroup = 4;
inline constexpr int kColumnCount = 8;
inline constexpr int kGroupGap = 25;
// A column's left part holds the car and its buttons, the rest the hall arrows of odd columns.
inline constexpr int kCarPartWidth = 12;
// Clicks from this x on are taken as clicks on the second group.
inline constexpr int kSecondGroupClicksFrom = 142;

}  // namespace strip

}  // namespace vardeck

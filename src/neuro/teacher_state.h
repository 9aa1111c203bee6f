#pragma once

namespace vardeck {

// The teacher sees the trend and decision codes 1..3 (0 before the first check) scaled by 2/15,
// the float code times the double scale rounded to float; pattern files and decisions share this.
inline float encodeTeacherCode(int code) {
    return static_cast<float>(static_cast<double>(static_cast<float>(code)) * 0.13333333333333333);
}

}  // namespace vardeck

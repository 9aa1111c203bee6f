#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "neuro/pattern_set.h"

namespace vardeck::test {

// The text of a two-layer network image (inputs, then one layer of neurons) whose neuron j has
// the weights weights[j].
inline std::string twoLayerImage(int inputs, const std::vector<std::vector<float>>& weights) {
    char line[64];
    std::string text = "2\n+" + std::to_string(inputs) + "\n|0";
    for (int i = 0; i < inputs; ++i) text += "\n|+0.000000\n||0.000000\n||0.000000\n|+";
    text += "\n+\n+" + std::to_string(weights.size()) + "\n|" + std::to_string(inputs);
    for (const auto& neuron : weights) {
        text += "\n|+0.000000\n||0.000000\n||0.000000";
        for (float w : neuron) {
            std::snprintf(line, sizeof line, "\n||%f", double(w));
            text += line;
        }
        text += "\n|+";
    }
    return text + "\n+";
}

// A teacher (3 inputs, 1 output) that answers `output` for inputs whose sum is `inputSum`.
inline std::string constantTeacherImage(float output, float inputSum) {
    const float w = std::atanh(output) / (2 * inputSum);
    return twoLayerImage(3, {{w, w, w}});
}

// A solver whose outputs are all 0: it closes the doors and orders nothing else.
inline std::string idleSolverImage() {
    return twoLayerImage(8, std::vector<std::vector<float>>(8, std::vector<float>(8, 0.0f)));
}

// Solver patterns with zero inputs, so that every output is 0 whatever the weights: `count` of
// them want output 0 at -delta (every delta is exactly `delta` and each epoch repeats the
// first), and `met` more want what the network already gives.
inline PatternSet zeroInputPatterns(std::size_t count, float delta, std::size_t met = 0) {
    SolverPattern p;
    p.target[0] = -delta;
    PatternSet set{std::vector<SolverPattern>(count, p)};
    set.records.resize(count + met);
    return set;
}

}  // namespace vardeck::test

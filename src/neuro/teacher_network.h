#pragma once

#include <string>

#include "neuro/neural_network.h"
#include "neuro/pattern_set.h"

namespace vardeck {

// The network that advises the adaptive control system: 3 inputs (trend, previous trend, decision
// in force, each scaled by 2/15), 30 hidden neurons and 1 output (the decision, scaled alike).
class TeacherNetwork : public NeuralNetwork {
public:
    static constexpr unsigned kInputs = 3;
    static constexpr unsigned kHidden = 30;
    static constexpr unsigned kOutputs = 1;
    // Training ends after an epoch whose largest output delta is at most this.
    static constexpr float kThreshold = 0.01f;

    // Random weights in [-0.5, 0.5], epoch 0.
    TeacherNetwork();

    void nextEpoch() override { epoch.fetch_add(1); }

    // Trains on its own copy of the patterns until the threshold is reached or a stop is seen.
    void train(TeacherPatternSet patterns);

    // writeImage: 0 done, 1 failed.
    int save(const std::string& path);
    // readImage and link: 0 done, 1 failed, and the previous teacher stays.
    int load(const std::string& path);

    // The single output for three encoded inputs; 0 (no decision) if the network somehow lacks
    // 3 inputs and 1 output.
    float decideOutput(float x0, float x1, float x2);

protected:
    bool fitsUse(const std::vector<NetworkLayer>& layers) const override;
};

}  // namespace vardeck

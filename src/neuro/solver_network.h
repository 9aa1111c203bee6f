#pragma once

#include <string>

#include "neuro/neural_network.h"
#include "neuro/pattern_set.h"
#include "neuro/solver_state.h"

namespace vardeck {

// The network that drives the car: 8 inputs (the encoded SolverState), 40 hidden neurons and
// 8 outputs (door, move and direction bits).
class SolverNetwork : public NeuralNetwork {
public:
    static constexpr unsigned kInputs = 8;
    static constexpr unsigned kHidden = 40;
    static constexpr unsigned kOutputs = 8;
    // Training ends after an epoch whose largest output delta is at most this.
    static constexpr float kThreshold = 0.05f;

    // Random weights in [-0.5, 0.5], epoch 0, no image name.
    SolverNetwork();

    void nextEpoch() override { epoch.fetch_add(1); }

    // Trains on its own copy of the patterns until the threshold is reached or a stop is seen.
    void train(PatternSet patterns);

    // writeImage; on success the image name becomes `path`. 0 done, 1 failed (name unchanged).
    int save(const std::string& path);
    // readImage; on success the image name becomes `path`. 0 done, 1 failed: the previous network
    // and name stay.
    int load(const std::string& path);
    // The image last saved or loaded successfully; empty before.
    std::string imageName() const;

    // The car's orders for a situation. A network that somehow lacks 8 inputs and 8 outputs
    // answers with every field CarCommand::kLeaveUnchanged.
    CarCommand decide(const SolverState& state);

protected:
    bool fitsUse(const std::vector<NetworkLayer>& layers) const override;

private:
    std::string imageName_;
};

}  // namespace vardeck

#include "neuro/solver_network.h"

#include "model/floors.h"

namespace vardeck {

namespace {

// Exactly one of three bits set selects none, up or down; anything else leaves the order alone.
int oneOfThree(bool first, bool second, bool third) {
    if (first + second + third != 1) return CarCommand::kLeaveUnchanged;
    return first ? kNone : (second ? kUp : kDown);
}

}  // namespace

SolverNetwork::SolverNetwork() : NeuralNetwork({kInputs, kHidden, kOutputs}) {
    randomize(1.0f);
    epoch.store(0);
}

void SolverNetwork::train(PatternSet patterns) {
    const std::vector<SolverPattern>& records = patterns.records;
    trainPatterns(records.size(), kInputs, kOutputs, kThreshold,
                  [&records](std::size_t index, const float*& inputs, const float*& targets) {
                      inputs = records[index].in;
                      targets = records[index].target;
                  });
}

int SolverNetwork::save(const std::string& path) {
    std::lock_guard lock(mutex());
    if (writeImageLocked(path) != 0) return 1;
    imageName_ = path;
    return 0;
}

int SolverNetwork::load(const std::string& path) {
    return replaceFromImage(path, [this, &path] { imageName_ = path; }) == 0 ? 0 : 1;
}

std::string SolverNetwork::imageName() const {
    std::lock_guard lock(mutex());
    return imageName_;
}

CarCommand SolverNetwork::decide(const SolverState& state) {
    const float inputs[kInputs] = {
        encodeStateValue(state.doorOpen),   encodeStateValue(state.lastMove),
        encodeStateValue(state.direction),  encodeStateValue(state.target),
        encodeStateValue(state.buttonHere), encodeStateValue(state.upHere),
        encodeStateValue(state.downHere),   encodePopulestOffset(state.populestOffset),
    };
    bool bit[kOutputs];
    {
        std::lock_guard lock(mutex());
        if (!hasShape(kInputs, kOutputs)) {
            return {CarCommand::kLeaveUnchanged, CarCommand::kLeaveUnchanged,
                    CarCommand::kLeaveUnchanged};
        }
        setInputs(inputs);
        forward();
        const std::span<const float> out = outputs();
        for (unsigned j = 0; j < kOutputs; ++j) bit[j] = decodeOutputBit(out[j]);
    }
    CarCommand command;
    command.doorCommand = bit[0] ? (bit[1] ? CarCommand::kLeaveUnchanged : kDoorOpen) : kDoorClose;
    command.moveCommand = oneOfThree(bit[2], bit[3], bit[4]);
    command.direction = oneOfThree(bit[5], bit[6], bit[7]);
    if (command.moveCommand == CarCommand::kLeaveUnchanged &&
        command.direction == CarCommand::kLeaveUnchanged) {
        command.moveCommand = kNone;
        command.direction = kNone;
    }
    return command;
}

bool SolverNetwork::fitsUse(const std::vector<NetworkLayer>& layers) const {
    return hasShape(layers, kInputs, kOutputs);
}

}  // namespace vardeck

#include "neuro/teacher_network.h"

namespace vardeck {

TeacherNetwork::TeacherNetwork() : NeuralNetwork({kInputs, kHidden, kOutputs}) {
    randomize(1.0f);
    epoch.store(0);
}

void TeacherNetwork::train(TeacherPatternSet patterns) {
    const std::vector<TeacherPattern>& records = patterns.records;
    trainPatterns(records.size(), kInputs, kOutputs, kThreshold,
                  [&records](std::size_t index, const float*& inputs, const float*& targets) {
                      inputs = records[index].in;
                      targets = &records[index].target;
                  });
}

int TeacherNetwork::save(const std::string& path) {
    return writeImage(path) == 0 ? 0 : 1;
}

int TeacherNetwork::load(const std::string& path) {
    return readImage(path) == 0 ? 0 : 1;
}

float TeacherNetwork::decideOutput(float x0, float x1, float x2) {
    const float inputs[kInputs] = {x0, x1, x2};
    std::lock_guard lock(mutex());
    if (!hasShape(kInputs, kOutputs)) return 0.0f;
    setInputs(inputs);
    forward();
    return outputs()[0];
}

bool TeacherNetwork::fitsUse(const std::vector<NetworkLayer>& layers) const {
    return hasShape(layers, kInputs, kOutputs);
}

}  // namespace vardeck

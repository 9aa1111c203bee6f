#include "neuro/network_settings.h"

namespace vardeck {

namespace {
std::atomic<float> currentLearningRate{0.1f};
std::atomic<float> currentMomentum{0.5f};
}  // namespace

float learningRate() {
    return currentLearningRate.load(std::memory_order_relaxed);
}

float momentum() {
    return currentMomentum.load(std::memory_order_relaxed);
}

float setLearningRate(float value) {
    return currentLearningRate.exchange(value, std::memory_order_relaxed);
}

float setMomentum(float value) {
    return currentMomentum.exchange(value, std::memory_order_relaxed);
}

void applyNetworkDefaults() {
    setLearningRate(0.1f);
    setMomentum(0.5f);
}

}  // namespace vardeck

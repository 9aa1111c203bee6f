#pragma once

#include <atomic>

namespace vardeck {

// Process-wide training settings. The programs set them once at start, before any training thread
// exists; they are atomics anyway so that a test or a tool may change them without a data race.
float learningRate();
float momentum();
// Each setter returns the value it replaces.
float setLearningRate(float value);
float setMomentum(float value);
// The values every program starts with: learning rate 0.1, then momentum 0.5.
void applyNetworkDefaults();

}  // namespace vardeck

#include "neuro/network_layer.h"

#include <stdexcept>

#include "neuro/fast_tanh.h"
#include "neuro/float_lanes.h"
#include "neuro/random.h"

namespace vardeck {

static_assert(NetworkLayer::kLanes == kFloatLanes && NetworkLayer::kLanes % kTanhLanes == 0,
              "a layer's lanes are whole vector blocks");

namespace {
// r / 32767 - 0.5, in double like the rest of the random initialisation.
double centredDraw() {
    return static_cast<double>(randomInt()) / 32767.0 - 0.5;
}

unsigned wholeLanes(unsigned count) {
    const unsigned lanes = NetworkLayer::kLanes;
    return (count + lanes - 1) / lanes * lanes;
}
}  // namespace

NetworkLayer::NetworkLayer(unsigned neuronCount, unsigned inputCount)
    : neuronCount_(neuronCount),
      inputCount_(inputCount),
      stride_(wholeLanes(neuronCount)),
      net_(stride_),
      output_(stride_),
      delta_(stride_),
      weights_(static_cast<std::size_t>(inputCount) * stride_),
      changes_(weights_.size()) {}

unsigned NetworkLayer::checked(unsigned neuron) const {
    if (neuron >= neuronCount_) throw std::out_of_range("NetworkLayer: no such neuron");
    return neuron;
}

std::size_t NetworkLayer::at(unsigned neuron, unsigned input) const {
    if (neuron >= neuronCount_ || input >= inputCount_) {
        throw std::out_of_range("NetworkLayer: no such neuron or input");
    }
    return static_cast<std::size_t>(input) * stride_ + neuron;
}

float NetworkLayer::weight(unsigned neuron, unsigned input) const {
    return weights_[at(neuron, input)];
}

void NetworkLayer::setWeight(unsigned neuron, unsigned input, float value) {
    weights_[at(neuron, input)] = value;
}

void NetworkLayer::setValues(unsigned neuron, float net, float output, float delta) {
    checked(neuron);
    net_[neuron] = net;
    output_[neuron] = output;
    delta_[neuron] = delta;
}

VARDECK_AVX2_CLONES void NetworkLayer::computeNets() {
    // kLanes neurons at a time, each summing its inputs in order.
    for (std::size_t first = 0; first < stride_; first += kLanes) {
        FloatLanes sum = {};
        const float* w = weights_.data() + first;
        for (std::size_t k = 0; k < inputCount_; ++k, w += stride_) {
            FloatLanes weight;
            loadLanes(weight, w);
            sum += (2.0f * inputs_[k]) * (2.0f * weight);
        }
        storeLanes(net_.data() + first, sum * 0.5f);
    }
}

void NetworkLayer::compute() {
    if (inputCount_ > 0 && inputs_ == nullptr) return;
    computeNets();
    // The transfer function of all neurons at once, padding lanes included (their net is 0).
    fastTanhLanes(net_.data(), output_.data(), stride_);
}

void NetworkLayer::randomizeWeights(float spread) {
    for (unsigned j = 0; j < neuronCount_; ++j) {
        for (unsigned k = 0; k < inputCount_; ++k) {
            weights_[at(j, k)] = static_cast<float>(static_cast<double>(spread) * centredDraw());
        }
    }
}

}  // namespace vardeck

#pragma once

#include "neuro/fast_tanh.h"

namespace vardeck {

class NetworkLayer;

// The transfer function of every neuron: tanh, the same bits on every platform.
inline float activation(float net) {
    return fastTanh(net);
}

// One neuron of a layer. The layer keeps the values of all its neurons side by side (weights as
// one block), so that a whole layer can be computed with vector instructions; a Neuron is a handle
// to one of them and offers the per-neuron operations. It stays valid as long as its layer.
class Neuron {
public:
    Neuron(NetworkLayer& layer, unsigned index) : layer_(&layer), index_(index) {}

    unsigned index() const { return index_; }
    unsigned inputCount() const;
    float net() const;
    float output() const;
    float delta() const;
    float weight(unsigned input) const;
    void setWeight(unsigned input, float value);

    // tanh(net).
    float activate() const;
    // output := r / 32767 - 0.5 for a fresh random r.
    void randomizeOutput();
    // Every weight, in input order, := spread * (r / 32767 - 0.5) for a fresh random r each.
    void randomizeWeights(float spread);
    // The slope of tanh expressed through the output: 1 - output^2.
    float derivative() const;

protected:
    NetworkLayer* layer_;
    unsigned index_;
};

// The neuron that layers build; its layer keeps the last change of each of its weights for
// momentum.
class TrainingNeuron : public Neuron {
public:
    using Neuron::Neuron;
};

}  // namespace vardeck

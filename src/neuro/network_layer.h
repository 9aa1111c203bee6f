#pragma once

#include <span>
#include <vector>

namespace vardeck {

// A layer of neurons that all read the same inputs: the outputs of the previous layer.
//
// The weights are kept input-major: the weights that input k gives to consecutive neurons lie
// side by side, and the neuron rows are padded to a multiple of kLanes with zero weights. A layer
// then computes all of its sums in one sweep over the inputs with vector instructions, while each
// neuron's sum still runs in input order exactly as a neuron computing alone would.
class NetworkLayer {
public:
    static constexpr unsigned kLanes = 8;

    NetworkLayer(unsigned neuronCount, unsigned inputCount);

    unsigned neuronCount() const { return neuronCount_; }
    unsigned inputCount() const { return inputCount_; }

    float net(unsigned neuron) const { return net_[checked(neuron)]; }
    float output(unsigned neuron) const { return output_[checked(neuron)]; }
    float delta(unsigned neuron) const { return delta_[checked(neuron)]; }
    float weight(unsigned neuron, unsigned input) const;
    void setWeight(unsigned neuron, unsigned input, float value);
    // Restores a neuron's state as an image records it.
    void setValues(unsigned neuron, float net, float output, float delta);
    std::span<const float> outputs() const { return {output_.data(), neuronCount_}; }

    // Every neuron's compute, in order.
    void compute();
    // Every weight, neuron by neuron and each neuron's in input order, := spread * (r / 32767 -
    // 0.5) for a fresh random r each.
    void randomizeWeights(float spread);

private:
    friend class NeuralNetwork;

    // Throws std::out_of_range for a neuron or input the layer does not have.
    unsigned checked(unsigned neuron) const;
    std::size_t at(unsigned neuron, unsigned input) const;
    void computeNets();

    unsigned neuronCount_;
    unsigned inputCount_;
    unsigned stride_;  // neuronCount_ rounded up to whole lanes
    std::vector<float> net_;
    std::vector<float> output_;
    std::vector<float> delta_;
    std::vector<float> weights_;     // [input * stride_ + neuron]
    std::vector<float> changes_;     // previous change of each weight, same layout
    const float* inputs_ = nullptr;  // the previous layer's outputs, set by NeuralNetwork::link
};

}  // namespace vardeck

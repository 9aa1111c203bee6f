#include "neuro/neuron.h"

#include "neuro/network_layer.h"
#include "neuro/random.h"

namespace vardeck {

namespace {
// r / 32767 - 0.5, in double like the rest of the random initialisation.
double centredDraw() {
    return static_cast<double>(randomInt()) / 32767.0 - 0.5;
}
}  // namespace

unsigned Neuron::inputCount() const {
    return layer_->inputCount();
}

float Neuron::net() const {
    return layer_->net(index_);
}

float Neuron::output() const {
    return layer_->output(index_);
}

float Neuron::delta() const {
    return layer_->delta(index_);
}

float Neuron::weight(unsigned input) const {
    return layer_->weight(index_, input);
}

void Neuron::setWeight(unsigned input, float value) {
    layer_->setWeight(index_, input, value);
}

float Neuron::activate() const {
    return activation(layer_->net(index_));
}

void Neuron::randomizeOutput() {
    layer_->output_[layer_->checked(index_)] = static_cast<float>(centredDraw());
}

void Neuron::randomizeWeights(float spread) {
    NetworkLayer& layer = *layer_;
    for (unsigned k = 0; k < layer.inputCount_; ++k) {
        layer.weights_[layer.at(index_, k)] =
            static_cast<float>(static_cast<double>(spread) * centredDraw());
    }
}

float Neuron::derivative() const {
    const float out = layer_->output(index_);
    return 1.0f - out * out;
}

}  // namespace vardeck

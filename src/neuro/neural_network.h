#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "neuro/network_layer.h"

namespace vardeck {

// A layered, fully connected feed-forward network of tanh neurons without bias, trained pattern by
// pattern with back-propagation and momentum. Layer 0 only holds the inputs.
//
// Threads: a training thread and the user-interface thread share a network. Every whole action
// (train, per pattern; link; randomize; readImage; writeImage; and the concrete networks'
// decisions, loads and saves) takes the network's mutex. The step operations (setInputs ...
// trainPattern) and the accessors do not: whoever calls them while another thread may use the
// network holds mutex(). References and spans into the layers stay valid until the next successful
// readImage.
class NeuralNetwork {
public:
    // Layer 0 gets sizes[0] neurons without inputs; layer j gets sizes[j] neurons with
    // sizes[j - 1] inputs. All values start at 0; the layers are linked.
    explicit NeuralNetwork(const std::vector<unsigned>& layerSizes);
    NeuralNetwork(std::initializer_list<unsigned> layerSizes)
        : NeuralNetwork(std::vector<unsigned>(layerSizes)) {}
    virtual ~NeuralNetwork() = default;
    NeuralNetwork(const NeuralNetwork&) = delete;
    NeuralNetwork& operator=(const NeuralNetwork&) = delete;

    unsigned layerCount() const { return static_cast<unsigned>(layers_.size()); }
    NetworkLayer& layer(unsigned index) { return layers_.at(index); }
    const NetworkLayer& layer(unsigned index) const { return layers_.at(index); }
    // Neurons of the first layer (0 without layers).
    unsigned inputCount() const;
    // The outputs of the last layer.
    std::span<const float> outputs() const;

    // Points each layer's inputs at the previous layer's outputs. Returns 0, or 1 for the first
    // layer i >= 1 without neurons, or 2 for the first layer whose previous layer has none.
    int link();
    // epochMaxError := 0, then every weight := spread * (r / 32767 - 0.5) in layer, neuron and
    // input order. The previous changes stay.
    void randomize(float spread);

    // Inputs: as many values as the first layer has neurons; targets as many as the last has.
    void setInputs(const float* inputs);
    void forward();
    void backPropagate(const float* targets);
    // setInputs, forward, backPropagate, then every weight's change (with momentum) and the
    // weight update in one sweep.
    void trainPattern(const float* inputs, const float* targets);

    // The network image: 0 done, 1 the file cannot be created.
    int writeImage(const std::string& path) const;
    // 0 done, 1 the file cannot be opened, 2 the content is not a usable network. Only a complete,
    // consistent image replaces the network (its previous changes 0, linked, epoch kept); on any
    // failure the previous network stays as it was.
    int readImage(const std::string& path);

    // Called at the start of every training epoch.
    virtual void nextEpoch() {}
    int epochCount() const { return epoch.load(); }
    // Makes the running training (or, if none runs, the next one) end at its next epoch start.
    void requestStop() { stopRequested.store(true); }
    std::mutex& mutex() const { return mutex_; }

    // Epochs begun since construction.
    std::atomic<int> epoch{0};
    std::atomic<bool> stopRequested{false};
    // Progress of this network's training, written by the training thread and read (and, for
    // recentMaxError, reset to 0) by the window that shows it. Each network keeps its own, so
    // that one training never decides when another one stops.
    // The largest output delta of the current epoch.
    std::atomic<float> epochMaxError{0.0f};
    // The largest output delta since the window last took the value.
    std::atomic<float> recentMaxError{0.0f};

protected:
    using PatternAt =
        std::function<void(std::size_t index, const float*& inputs, const float*& targets)>;

    // Whether a network read from an image may replace this one; the concrete networks demand the
    // shape that their inputs and outputs need.
    virtual bool fitsUse(const std::vector<NetworkLayer>& layers) const;
    static bool hasShape(const std::vector<NetworkLayer>& layers, unsigned inputs,
                         unsigned outputs);
    // Callers hold the mutex.
    bool hasShape(unsigned inputs, unsigned outputs) const;
    int writeImageLocked(const std::string& path) const;
    // readImage, and on success `whileLocked` runs before the mutex is released.
    int replaceFromImage(const std::string& path, const std::function<void()>& whileLocked);
    // The epoch loop: every pattern once per epoch in random order, until an epoch's largest
    // output delta is at most `threshold` or a stop is requested at an epoch start.
    void trainPatterns(std::size_t count, unsigned inputs, unsigned outputs, float threshold,
                       const PatternAt& patternAt);

private:
    int linkLayers();
    // c := rate * (input * (1 - momentum) * delta + momentum * c), then w := w - c.
    void updateWeights();

    std::vector<NetworkLayer> layers_;
    mutable std::mutex mutex_;
};

}  // namespace vardeck

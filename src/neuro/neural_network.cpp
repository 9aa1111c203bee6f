#include "neuro/neural_network.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>
#include <string_view>

#include "io/input_file.h"
#include "io/text_scanner.h"
#include "neuro/float_lanes.h"
#include "neuro/network_settings.h"
#include "neuro/random.h"

namespace vardeck {

namespace {

// Only ever raises the value, also against a concurrent reset by the window.
void raiseTo(std::atomic<float>& value, float candidate) {
    float current = value.load(std::memory_order_relaxed);
    while (current < candidate &&
           !value.compare_exchange_weak(current, candidate, std::memory_order_relaxed)) {
    }
}

std::string_view trimRight(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line;
}

// A count line: the marker character and the number at once after it. The format reads these
// lines into a 10-byte buffer, so more than 8 characters before the line end are refused.
bool readCountLine(TextScanner& in, char marker, unsigned& count) {
    std::string_view line;
    if (!in.readLine(line) || line.size() > 8) return false;
    line = trimRight(line);
    if (line.size() < 2 || line[0] != marker) return false;
    count = 0;
    for (const char c : line.substr(1)) {
        if (c < '0' || c > '9') return false;
        count = count * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

bool readMarkerLine(TextScanner& in, std::string_view marker) {
    std::string_view line;
    return in.readLine(line) && trimRight(line) == marker;
}

// "<prefix>%f\n": the prefix must come at once, the trailing white space may span blank lines.
bool readValueLine(TextScanner& in, std::string_view prefix, float& value) {
    if (!in.literal(prefix) || !in.scanFloat(value)) return false;
    in.skipSpace();
    return true;
}

int parseImage(std::string_view text, std::vector<NetworkLayer>& layers) {
    TextScanner in(text);
    std::uint32_t layerCount = 0;
    if (!in.scanUnsigned(layerCount) || layerCount == 0) return 2;
    in.skipSpace();
    unsigned previousNeurons = 0;
    for (std::uint32_t i = 0; i < layerCount; ++i) {
        unsigned neurons = 0;
        unsigned inputs = 0;
        if (!readCountLine(in, '+', neurons) || !readCountLine(in, '|', inputs)) return 2;
        // The first layer has no inputs, every other one reads the whole previous layer; a layer
        // without neurons could not be linked.
        if (neurons == 0 || inputs != previousNeurons) return 2;
        // Every value takes at least three characters ("||0"): a layer that the rest of the file
        // cannot hold is refused before any memory is taken for it.
        const std::uint64_t values = std::uint64_t{neurons} * (std::uint64_t{inputs} + 3);
        if (values > in.remaining() / 3) return 2;
        NetworkLayer& layer = layers.emplace_back(neurons, inputs);
        for (unsigned j = 0; j < neurons; ++j) {
            float net = 0.0f;
            float output = 0.0f;
            float delta = 0.0f;
            if (!readValueLine(in, "|+", net) || !readValueLine(in, "||", output) ||
                !readValueLine(in, "||", delta)) {
                return 2;
            }
            layer.setValues(j, net, output, delta);
            for (unsigned k = 0; k < inputs; ++k) {
                float weight = 0.0f;
                if (!readValueLine(in, "||", weight)) return 2;
                layer.setWeight(j, k, weight);
            }
            if (!readMarkerLine(in, "|+")) return 2;
        }
        if (!readMarkerLine(in, "+")) return 2;
        previousNeurons = neurons;
    }
    return 0;
}

}  // namespace

NeuralNetwork::NeuralNetwork(const std::vector<unsigned>& layerSizes) {
    layers_.reserve(layerSizes.size());
    unsigned previous = 0;
    for (const unsigned size : layerSizes) {
        layers_.emplace_back(size, previous);
        previous = size;
    }
    linkLayers();
}

unsigned NeuralNetwork::inputCount() const {
    return layers_.empty() ? 0 : layers_.front().neuronCount();
}

std::span<const float> NeuralNetwork::outputs() const {
    if (layers_.empty()) return {};
    return layers_.back().outputs();
}

int NeuralNetwork::link() {
    std::lock_guard lock(mutex_);
    return linkLayers();
}

int NeuralNetwork::linkLayers() {
    // Every layer whose previous layer has neurons is linked, even past a layer that has none, so
    // that no layer with inputs is ever left reading from nowhere.
    int result = 0;
    for (std::size_t i = 1; i < layers_.size(); ++i) {
        NetworkLayer& layer = layers_[i];
        const NetworkLayer& previous = layers_[i - 1];
        if (layer.neuronCount() == 0 || previous.neuronCount() == 0) {
            if (result == 0) result = layer.neuronCount() == 0 ? 1 : 2;
            layer.inputs_ = nullptr;
            continue;
        }
        layer.inputs_ = previous.output_.data();
    }
    return result;
}

void NeuralNetwork::randomize(float spread) {
    std::lock_guard lock(mutex_);
    epochMaxError.store(0.0f);
    for (NetworkLayer& layer : layers_) layer.randomizeWeights(spread);
}

void NeuralNetwork::setInputs(const float* inputs) {
    if (layers_.empty()) return;
    NetworkLayer& first = layers_.front();
    std::copy(inputs, inputs + first.neuronCount(), first.output_.begin());
}

void NeuralNetwork::forward() {
    for (std::size_t i = 1; i < layers_.size(); ++i) layers_[i].compute();
}

void NeuralNetwork::backPropagate(const float* targets) {
    if (layers_.empty()) return;
    NetworkLayer& last = layers_.back();
    float largest = -std::numeric_limits<float>::infinity();
    for (unsigned j = 0; j < last.neuronCount_; ++j) {
        const float out = last.output_[j];
        const float delta = (1.0f - out * out) * (out - targets[j]);
        last.delta_[j] = delta;
        if (largest < delta) largest = delta;
    }
    raiseTo(epochMaxError, largest);
    raiseTo(recentMaxError, largest);

    for (std::size_t i = layers_.size() - 1; i-- > 1;) {
        NetworkLayer& layer = layers_[i];
        const NetworkLayer& next = layers_[i + 1];
        // Row j of the next layer's weights holds weight j of each of its neurons, still before
        // this pattern's update. Each sum runs over the next layer's neurons in order; four sums
        // are interleaved so that they do not wait for each other.
        const std::size_t stride = next.stride_;
        const std::size_t nextCount = next.neuronCount_;
        const float* nextDelta = next.delta_.data();
        const std::size_t count = layer.neuronCount_;
        std::size_t j = 0;
        for (; j + 4 <= count; j += 4) {
            const float* row0 = next.weights_.data() + j * stride;
            const float* row1 = row0 + stride;
            const float* row2 = row1 + stride;
            const float* row3 = row2 + stride;
            float sum0 = 0.0f;
            float sum1 = 0.0f;
            float sum2 = 0.0f;
            float sum3 = 0.0f;
            for (std::size_t k = 0; k < nextCount; ++k) {
                const float delta = nextDelta[k];
                sum0 += row0[k] * delta;
                sum1 += row1[k] * delta;
                sum2 += row2[k] * delta;
                sum3 += row3[k] * delta;
            }
            const float sums[4] = {sum0, sum1, sum2, sum3};
            for (std::size_t lane = 0; lane < 4; ++lane) {
                const float out = layer.output_[j + lane];
                layer.delta_[j + lane] = (1.0f - out * out) * sums[lane];
            }
        }
        for (; j < count; ++j) {
            const float* row = next.weights_.data() + j * stride;
            float sum = 0.0f;
            for (std::size_t k = 0; k < nextCount; ++k) sum += row[k] * nextDelta[k];
            const float out = layer.output_[j];
            layer.delta_[j] = (1.0f - out * out) * sum;
        }
    }
}

VARDECK_AVX2_CLONES void NeuralNetwork::updateWeights() {
    const float rate = learningRate();
    const float carried = momentum();
    const float fresh = 1.0f - carried;
    constexpr std::size_t kLanes = NetworkLayer::kLanes;
    for (std::size_t i = layers_.size(); i-- > 1;) {
        NetworkLayer& layer = layers_[i];
        if (layer.inputCount_ > 0 && layer.inputs_ == nullptr) continue;
        const std::size_t stride = layer.stride_;
        const float* deltas = layer.delta_.data();
        for (std::size_t l = 0; l < layer.inputCount_; ++l) {
            const float scaledInput = layer.inputs_[l] * fresh;
            float* changes = layer.changes_.data() + l * stride;
            float* weights = layer.weights_.data() + l * stride;
            // Padding lanes have delta 0 and change 0, so their weights stay 0.
            for (std::size_t first = 0; first < stride; first += kLanes) {
                FloatLanes delta, change, weight;
                loadLanes(delta, deltas + first);
                loadLanes(change, changes + first);
                loadLanes(weight, weights + first);
                const FloatLanes next = rate * (scaledInput * delta + carried * change);
                storeLanes(weights + first, weight - next);
                storeLanes(changes + first, next);
            }
        }
    }
}

void NeuralNetwork::trainPattern(const float* inputs, const float* targets) {
    setInputs(inputs);
    forward();
    backPropagate(targets);
    updateWeights();
}

int NeuralNetwork::writeImage(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return writeImageLocked(path);
}

int NeuralNetwork::writeImageLocked(const std::string& path) const {
    std::string text;
    try {
        text.reserve(64);
        appendInt(text, static_cast<long long>(layers_.size()));
        for (const NetworkLayer& layer : layers_) {
            text += "\n+";
            appendInt(text, layer.neuronCount_);
            text += "\n|";
            appendInt(text, layer.inputCount_);
            for (unsigned j = 0; j < layer.neuronCount_; ++j) {
                text += "\n|+";
                appendFixed(text, layer.net_[j], 6);
                text += "\n||";
                appendFixed(text, layer.output_[j], 6);
                text += "\n||";
                appendFixed(text, layer.delta_[j], 6);
                for (unsigned k = 0; k < layer.inputCount_; ++k) {
                    text += "\n||";
                    appendFixed(text, layer.weights_[layer.at(j, k)], 6);
                }
                text += "\n|+";
            }
            text += "\n+";
        }
    } catch (const std::bad_alloc&) {
        return 1;
    }
    return writeTextFile(path, text) ? 0 : 1;
}

int NeuralNetwork::readImage(const std::string& path) {
    return replaceFromImage(path, nullptr);
}

int NeuralNetwork::replaceFromImage(const std::string& path,
                                    const std::function<void()>& whileLocked) {
    // The file is read and checked into a network of its own; the one in use is only replaced
    // when the whole image was good.
    std::vector<NetworkLayer> fresh;
    try {
        std::string text;
        switch (readWholeFile(path, kImageFileLimit, text)) {
            case FileReadResult::Ok:
                break;
            case FileReadResult::CannotOpen:
            case FileReadResult::NotAFile:
                return 1;
            case FileReadResult::TooLarge:
                return 2;
        }
        if (const int result = parseImage(text, fresh); result != 0) return result;
    } catch (const std::bad_alloc&) {
        return 2;
    } catch (const std::length_error&) {
        return 2;
    }
    if (!fitsUse(fresh)) return 2;

    std::lock_guard lock(mutex_);
    layers_.swap(fresh);
    linkLayers();
    if (whileLocked) whileLocked();
    return 0;
}

bool NeuralNetwork::fitsUse(const std::vector<NetworkLayer>&) const {
    return true;
}

bool NeuralNetwork::hasShape(const std::vector<NetworkLayer>& layers, unsigned inputs,
                             unsigned outputs) {
    // At least one layer of weights: a network of its input layer alone could not learn.
    return layers.size() >= 2 && layers.front().neuronCount() == inputs &&
           layers.back().neuronCount() == outputs;
}

bool NeuralNetwork::hasShape(unsigned inputs, unsigned outputs) const {
    return hasShape(layers_, inputs, outputs);
}

void NeuralNetwork::trainPatterns(std::size_t count, unsigned inputs, unsigned outputs,
                                  float threshold, const PatternAt& patternAt) {
    epochMaxError.store(1.0f);
    std::vector<unsigned char> drawn(count);
    for (;;) {
        if (stopRequested.exchange(false)) return;
        nextEpoch();
        std::fill(drawn.begin(), drawn.end(), 0);
        epochMaxError.store(0.0f);
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t r = randomIndex(count);
            while (drawn[r]) r = randomIndex(count);
            drawn[r] = 1;
            const float* patternInputs = nullptr;
            const float* patternTargets = nullptr;
            patternAt(r, patternInputs, patternTargets);
            // Held per pattern, not per epoch, so that a decision never waits long.
            std::lock_guard lock(mutex_);
            if (hasShape(inputs, outputs)) trainPattern(patternInputs, patternTargets);
        }
        if (!(epochMaxError.load() > threshold)) break;
    }
    stopRequested.store(false);
}

}  // namespace vardeck

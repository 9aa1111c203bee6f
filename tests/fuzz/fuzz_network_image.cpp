// Network images: any input is read or refused without harm, a refused one leaves the network
// as it was, and what is written of an accepted one reads back to the same text.

#include "fuzz_support.h"
#include "neuro/neural_network.h"

using namespace vardeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::RoundTrip files("img");
    static const std::string before = fuzz::workPath("before.img");
    fuzz::writeFile(files.input, data, size);
    NeuralNetwork network{2, 1};
    fuzz::check(network.writeImage(before) == 0, "the network could not be written");
    const int result = network.readImage(files.input);
    fuzz::check(result == 0 || result == 2, "a readable file gave neither success nor refusal");
    fuzz::check(network.writeImage(files.first) == 0, "the network could not be written");
    if (result != 0) {
        fuzz::checkSameFile(before, files.first);
        return 0;
    }
    NeuralNetwork again{2, 1};
    fuzz::check(again.readImage(files.first) == 0, "a written image was refused");
    fuzz::check(again.writeImage(files.second) == 0, "the reloaded network could not be written");
    fuzz::checkSameFile(files.first, files.second);
    return 0;
}

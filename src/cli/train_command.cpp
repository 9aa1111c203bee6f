#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "cli/commands.h"
#include "io/atomic_file.h"
#include "neuro/network_settings.h"
#include "neuro/random.h"
#include "neuro/solver_network.h"
#include "neuro/teacher_network.h"

namespace vardeck::cli {

namespace {

const char* const kTrainUsage =
    "Usage: vardeck-cli train solver|teacher [--patterns FILE] [--image FILE]\n"
    "                         [--max-epochs N] [--seed S]\n"
    "\n"
    "Trains a fresh network exactly as the program's Learn buttons do (epochs\n"
    "over every pattern in random order, until the largest output error of an\n"
    "epoch is at most 0.05 for the solver or 0.01 for the teacher), then\n"
    "saves its image. The epoch and the largest error are shown on stderr\n"
    "every 2 seconds; Ctrl-C stops after the current epoch and still saves.\n"
    "\n"
    "Options:\n"
    "  --patterns FILE  patterns to learn (default solver.pat or teacher.pat)\n"
    "  --image FILE     image to write (default solver.img or teacher.img)\n"
    "  --max-epochs N   stop after N epochs even if the error is still larger\n"
    "  --seed S         start the random generator from S instead of 1\n"
    "                   (weights and order)\n"
    "\n"
    "The image is the same on every platform. With VARDECK_TANH=scalar in the\n"
    "environment the neurons' tanh is computed one value at a time instead\n"
    "of eight: slower, same image.\n";

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) {
    interrupted = 1;
}

// A network that asks itself to stop once it has begun its last allowed epoch.
template <class Network>
class BoundedNetwork : public Network {
public:
    explicit BoundedNetwork(long long maxEpochs) : maxEpochs_(maxEpochs) {}
    void nextEpoch() override {
        Network::nextEpoch();
        if (maxEpochs_ > 0 && this->epoch >= maxEpochs_) this->requestStop();
    }

private:
    long long maxEpochs_;
};

template <class Network, class Patterns>
int train(const std::string& patternsPath, const std::string& imagePath, long long maxEpochs,
          unsigned seed) {
    // A file that is not wholly a pattern file is refused before anything is trained or written.
    Patterns patterns;
    std::string problem;
    if (patterns.readStrictly(patternsPath, problem) != 0)
        throw UsageError{"the pattern file '" + patternsPath + "' " + problem};
    // A training may take hours: an image that cannot be saved is found out before it.
    if (!canWriteFileAtomically(imagePath)) {
        std::fprintf(stderr, "vardeck-cli train: cannot write the image '%s': %s\n",
                     imagePath.c_str(), saveErrorText(errno).c_str());
        return 1;
    }
    std::fprintf(stderr, "training on %d patterns from %s\n", patterns.count(),
                 patternsPath.c_str());

    // The program builds its networks on the window's thread and trains them on a worker;
    // both threads' generators start from the same state.
    seedRandom(seed);
    BoundedNetwork<Network> network(maxEpochs);
    std::atomic<bool> done{false};
    int saved = 1;
    int saveError = 0;
    std::thread worker([&] {
        seedRandom(seed);
        network.train(std::move(patterns));
        saved = network.save(imagePath);
        saveError = errno;
        done = true;
    });

    auto previous = std::signal(SIGINT, onInterrupt);
    auto lastReport = std::chrono::steady_clock::now();
    bool stopAsked = false;
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (interrupted && !stopAsked) {
            network.requestStop();
            stopAsked = true;
            std::fprintf(stderr, "stopping after the current epoch\n");
        }
        if (std::chrono::steady_clock::now() - lastReport >= std::chrono::seconds(2)) {
            lastReport = std::chrono::steady_clock::now();
            std::fprintf(stderr, "epoch %d largest error %.6f\n", network.epochCount(),
                         double(network.epochMaxError.load()));
        }
    }
    worker.join();
    const int epochs = network.epochCount();
    std::signal(SIGINT, previous);
    std::fprintf(stderr, "epoch %d largest error %.6f\n", epochs,
                 double(network.epochMaxError.load()));
    if (saved != 0) {
        std::fprintf(stderr, "vardeck-cli train: cannot write the image '%s': %s\n",
                     imagePath.c_str(), saveErrorText(saveError).c_str());
        return 1;
    }
    std::fprintf(stderr, "saved %s\n", imagePath.c_str());
    return 0;
}

}  // namespace

int trainCommand(Arguments& args) {
    std::string which, patterns, image;
    long long maxEpochs = 0;
    unsigned seed = 1;
    while (!args.done()) {
        const std::string option = args.take();
        if (option == "--help" || option == "-h") {
            std::fputs(kTrainUsage, stdout);
            return 0;
        } else if (option == "--patterns") {
            patterns = args.value(option);
        } else if (option == "--image") {
            image = args.value(option);
        } else if (option == "--max-epochs") {
            maxEpochs = args.integer(option, 1, 2'000'000'000);
        } else if (option == "--seed") {
            seed = static_cast<unsigned>(args.integer(option, 0, 4294967295LL));
        } else if (which.empty() && (option == "solver" || option == "teacher")) {
            which = option;
        } else {
            throw UsageError{"unknown argument '" + option + "' (try vardeck-cli train --help)"};
        }
    }
    if (which.empty()) throw UsageError{"say which network: solver or teacher"};
    applyNetworkDefaults();
    if (which == "solver")
        return train<SolverNetwork, PatternSet>(patterns.empty() ? "solver.pat" : patterns,
                                                image.empty() ? "solver.img" : image, maxEpochs,
                                                seed);
    return train<TeacherNetwork, TeacherPatternSet>(patterns.empty() ? "teacher.pat" : patterns,
                                                    image.empty() ? "teacher.img" : image,
                                                    maxEpochs, seed);
}

}  // namespace vardeck::cli

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "cli/commands.h"
#include "cli/option_table.h"
#include "cli/write_failure.h"
#include "io/atomic_file.h"
#include "neuro/network_settings.h"
#include "neuro/random.h"
#include "neuro/solver_network.h"
#include "neuro/teacher_network.h"
#include "study/limits.h"

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
        return cannotWrite("train", "the image '" + imagePath + "'", saveErrorText(errno));
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
        return cannotWrite("train", "the image '" + imagePath + "'", saveErrorText(saveError));
    }
    std::fprintf(stderr, "saved %s\n", imagePath.c_str());
    return 0;
}

struct TrainOptions {
    std::string which, patterns, image;
    long long maxEpochs = 0;
    unsigned seed = 1;
};

const OptionTable<TrainOptions> kTrainOptions{
    "train",
    kTrainUsage,
    {{"--patterns", nullptr, takeFileName<&TrainOptions::patterns>},
     {"--image", nullptr, takeFileName<&TrainOptions::image>},
     {"--max-epochs", nullptr,
      [](Arguments& args, const std::string& option, TrainOptions& o) {
          o.maxEpochs = args.integer(option, 1, 2'000'000'000);
      }},
     {"--seed", nullptr,
      [](Arguments& args, const std::string& option, TrainOptions& o) {
          o.seed = static_cast<unsigned>(args.integer(option, 0, study::kMaxSeed));
      }}},
    [](const std::string& word, TrainOptions& o) {
        if (!o.which.empty() || (word != "solver" && word != "teacher")) return false;
        o.which = word;
        return true;
    }};

}  // namespace

int trainCommand(Arguments& args) {
    TrainOptions o;
    if (!kTrainOptions.read(args, o)) return 0;
    if (o.which.empty()) throw UsageError{"say which network: solver or teacher"};
    applyNetworkDefaults();
    if (o.which == "solver")
        return train<SolverNetwork, PatternSet>(o.patterns.empty() ? "solver.pat" : o.patterns,
                                                o.image.empty() ? "solver.img" : o.image,
                                                o.maxEpochs, o.seed);
    return train<TeacherNetwork, TeacherPatternSet>(o.patterns.empty() ? "teacher.pat" : o.patterns,
                                                    o.image.empty() ? "teacher.img" : o.image,
                                                    o.maxEpochs, o.seed);
}

}  // namespace vardeck::cli

#include "chart/training_run.h"

#include <utility>

namespace vardeck {

TrainingRun::TrainingRun() {
    timer_.setInterval(kRefreshPeriod);
    connect(&timer_, &QTimer::timeout, this, &TrainingRun::tick);
    // The worker only reports; the message and everything after it run on the window thread.
    connect(this, &TrainingRun::workerReturned, this, &TrainingRun::onWorkerReturned,
            Qt::QueuedConnection);
}

TrainingRun::~TrainingRun() {
    stopAndWait();
}

void TrainingRun::start(std::function<void()> train, std::function<void()> stop) {
    // The previous run's worker returned before that run was reported finished.
    if (thread_.joinable()) thread_.join();
    reported_ = false;
    closing_ = false;
    returned_ = false;
    stop_ = std::move(stop);
    timer_.start();
    thread_ = std::thread([this, train = std::move(train)] {
        train();
        returned_ = true;
        emit workerReturned();
    });
}

void TrainingRun::requestStop() {
    if (stop_) stop_();
}

bool TrainingRun::finishIfEnded() {
    if (!reported_) return false;
    timer_.stop();
    return true;
}

void TrainingRun::onWorkerReturned() {
    // While the view closes nobody is left to read the message.
    if (!closing_) emit ended();
    reported_ = true;
}

void TrainingRun::waitForWorker() {
    if (thread_.joinable()) thread_.join();
}

void TrainingRun::stopAndWait() {
    if (thread_.joinable()) {
        closing_ = true;
        if (!returned_ && stop_) stop_();
        thread_.join();
    }
    timer_.stop();
}

}  // namespace vardeck

#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

namespace vardeck {

// The life of one network training as a window shows it: the training runs on a worker thread
// while a timer ticks every kRefreshPeriod ms on the window thread, the end of the training is
// reported on the window thread, and a view that goes away first stops a training that still
// runs and waits for its worker. The worker never waits for the window thread, so that wait
// cannot deadlock.
class TrainingRun : public QObject {
    Q_OBJECT

public:
    static constexpr int kRefreshPeriod = 2000;

    TrainingRun();
    // Stops a training that still runs and waits for its worker.
    ~TrainingRun() override;

    TrainingRun(const TrainingRun&) = delete;
    TrainingRun& operator=(const TrainingRun&) = delete;

    // Runs `train` on a worker thread and starts the timer; `stop` asks that training to stop.
    void start(std::function<void()> train, std::function<void()> stop);
    // Asks the running training to stop; the run stays watched until its end has been reported.
    void requestStop();
    // Called on a tick: whether the training has ended and its end has been reported, in which
    // case the timer stops and the view returns to its idle state.
    bool finishIfEnded();

    // Whether the run is watched (the timer runs).
    bool isWatching() const { return timer_.isActive(); }
    // Waits until the worker of the last run has returned, without asking it to stop.
    void waitForWorker();
    // Asks a running training to stop, waits until its worker has returned and stops the timer;
    // the end of the run is then not reported.
    void stopAndWait();

signals:
    // Every kRefreshPeriod ms while the run is watched.
    void tick();
    // The training has returned; the handler tells the user and returns once it has been read.
    void ended();
    // Sent by the worker; the report runs on the window thread.
    void workerReturned();

private:
    void onWorkerReturned();

    std::thread thread_;
    QTimer timer_;
    std::function<void()> stop_;
    std::atomic<bool> returned_{false};
    std::atomic<bool> reported_{false};
    bool closing_ = false;
};

}  // namespace vardeck

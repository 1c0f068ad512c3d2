// Runs the tuning assistant's search off the GUI thread: one search at a time, on copies of
// the records it is given, with a stop source for Cancel. What the search reports comes
// back to the GUI thread as queued signals: progress at most kProgressPerSecond times a
// second, then exactly one of finished, failed or cancelled. No exception leaves the
// worker thread; a DataError reaches the GUI thread as `failed`.
#pragma once

#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

#include <QObject>

#include "balance/tuner.h"

namespace valmor {

// What a search works on: its own copies, so the window may change its records meanwhile.
// The model holds the records and profiles, with their outcomes worked out already.
struct ProposalInputs {
    BalanceModel model;
    TargetBands bands;
    TuneOptions options;

    // Whether `model` and `bands` are what these inputs hold: records, profiles and bands.
    bool sameAs(const BalanceModel& other, const TargetBands& otherBands) const;
};

class ProposalWorker : public QObject {
    Q_OBJECT

public:
    static constexpr int kProgressPerSecond = 20;

    explicit ProposalWorker(QObject* parent = nullptr);
    // Stops a search that still runs and waits for it.
    ~ProposalWorker() override;

    // Starts a search; one that still runs is stopped first and what it sends is dropped.
    void start(std::shared_ptr<const ProposalInputs> inputs);
    // Asks the running search to stop; `cancelled` follows once it has.
    void cancel();
    bool isRunning() const { return running_; }

signals:
    void progressed(double done);
    void finished(std::shared_ptr<const ProposalInputs> inputs,
                  std::shared_ptr<const TuneResult> result);
    void failed(const DataError& error);
    void cancelled();

private:
    // On the GUI thread: whether a message of search `run` is still wanted.
    bool current(unsigned run) const { return running_ && run == run_; }

    std::jthread thread_;
    unsigned run_ = 0;
    bool running_ = false;
};

} // namespace valmor

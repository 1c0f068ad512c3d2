#include "editor/balance/proposal_worker.h"

#include <algorithm>
#include <chrono>

#include <QMetaObject>

namespace valmor {

bool ProposalInputs::sameAs(const BalanceModel& other, const TargetBands& otherBands) const {
    return bands == otherBands && model.monsters() == other.monsters() &&
           model.maps() == other.maps() &&
           std::ranges::equal(model.profiles(), other.profiles(), sameProfile);
}

ProposalWorker::ProposalWorker(QObject* parent) : QObject(parent) {}

ProposalWorker::~ProposalWorker() {
    // Before the object goes: a message posted meanwhile is dropped with it.
    thread_.request_stop();
    if (thread_.joinable())
        thread_.join();
}

void ProposalWorker::start(std::shared_ptr<const ProposalInputs> inputs) {
    thread_.request_stop();
    if (thread_.joinable())
        thread_.join();
    const unsigned run = ++run_;
    running_ = true;
    // Everything the thread touches is its own: the inputs (shared, never changed), `run`
    // and `this` only to post to the GUI thread, where `current` drops what is stale.
    thread_ = std::jthread([this, run, inputs](std::stop_token stop) {
        const auto post = [this, run](auto deliver) {
            QMetaObject::invokeMethod(
                this,
                [this, run, deliver] {
                    if (current(run))
                        deliver();
                },
                Qt::QueuedConnection);
        };
        using Clock = std::chrono::steady_clock;
        constexpr auto kGap = std::chrono::milliseconds(1000 / kProgressPerSecond);
        Clock::time_point lastPosted{};
        const TuneProgress progress = [&](double done) {
            const Clock::time_point now = Clock::now();
            if (now - lastPosted < kGap)
                return;
            lastPosted = now;
            post([this, done] { emit progressed(done); });
        };
        try {
            auto result = std::make_shared<const TuneResult>(
                tune(inputs->model.monsters(), inputs->model.maps(), inputs->model.profiles(),
                     inputs->bands, inputs->options, progress, stop));
            post([this, inputs, result] {
                running_ = false;
                emit finished(inputs, result);
            });
        } catch (const DataError& error) {
            if (error.kind() == ErrorKind::Interrupted && stop.stop_requested()) {
                post([this] {
                    running_ = false;
                    emit cancelled();
                });
            } else {
                post([this, error] {
                    running_ = false;
                    emit failed(error);
                });
            }
        } catch (const std::exception& error) {
            const DataError internal(ErrorKind::Internal, error.what());
            post([this, internal] {
                running_ = false;
                emit failed(internal);
            });
        } catch (...) {
            post([this] {
                running_ = false;
                emit failed(DataError(ErrorKind::Internal, "an exception of unknown type"));
            });
        }
    });
}

void ProposalWorker::cancel() {
    if (running_)
        thread_.request_stop();
}

} // namespace valmor

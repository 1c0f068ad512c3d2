#include "files/interruption.h"

#include <array>
#include <csignal>
#include <string>

#include <string.h>

#include "files/error.h"

namespace valmor {

namespace {

constexpr std::array kSignals{SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t noted = 0;
int guards = 0;
std::array<struct sigaction, kSignals.size()> previous{};

extern "C" void noteSignal(int signal) {
    if (noted == 0)
        noted = signal;
}

} // namespace

InterruptionGuard::InterruptionGuard() {
    if (guards++ > 0)
        return;
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // System calls carry on where they were: the work checks the note between its steps.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &action, &previous[i]);
}

InterruptionGuard::~InterruptionGuard() {
    if (--guards > 0)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &previous[i], nullptr);
}

void throwIfInterrupted() {
    if (const int signal = noted; signal != 0) {
        const char* name = sigabbrev_np(signal);
        throw DataError(ErrorKind::Interrupted, std::string("SIG") + (name ? name : "?"));
    }
}

int notedSignal() {
    return noted;
}

void endByNotedSignal() {
    const int signal = noted;
    if (signal == 0)
        return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace valmor

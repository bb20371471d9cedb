#include "conversion/StopSignals.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>

namespace tesselar {

namespace {

constexpr int kCaughtSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A signal handler receives nothing but the signal's number, so it can only reach the object
// that records the signal through static storage. A lock-free atomic is one of the few things
// a handler may read; the object it points to outlives the handlers it installed.
std::atomic<StopSignals*> activeStopSignals{nullptr};
static_assert(std::atomic<StopSignals*>::is_always_lock_free);

sigset_t CaughtSignals() {
    sigset_t caught;
    sigemptyset(&caught);
    for (const int signal : kCaughtSignals) {
        sigaddset(&caught, signal);
    }
    return caught;
}

}  // namespace

StopSignals::StopSignals(int wakeDescriptor) : wakeDescriptor_(wakeDescriptor) {
    StopSignals* none = nullptr;
    if (!activeStopSignals.compare_exchange_strong(none, this)) {
        throw std::logic_error("the termination signals are already caught");
    }
    struct sigaction action {};
    action.sa_handler = &StopSignals::Handle;
    action.sa_mask = CaughtSignals();
    for (int index = 0; index < 3; ++index) {
        ::sigaction(kCaughtSignals[index], &action, &previous_[index]);
    }
}

StopSignals::~StopSignals() {
    for (int index = 0; index < 3; ++index) {
        ::sigaction(kCaughtSignals[index], &previous_[index], nullptr);
    }
    activeStopSignals.store(nullptr);
}

void StopSignals::Handle(int signal) {
    StopSignals* self = activeStopSignals.load(std::memory_order_relaxed);
    if (self == nullptr) {
        return;
    }
    // The first signal names the request; a repeated one only wakes again.
    if (self->received_ == 0) {
        self->received_ = signal;
    }
    if (self->wakeDescriptor_ >= 0) {
        const int savedErrno = errno;
        const char byte = static_cast<char>(signal);
        // A full pipe already holds a wake-up.
        static_cast<void>(::write(self->wakeDescriptor_, &byte, 1));
        errno = savedErrno;
    }
}

void StopSignals::HoldUntilExit() const {
    const sigset_t caught = CaughtSignals();
    ::pthread_sigmask(SIG_BLOCK, &caught, nullptr);
}

int StopSignals::ExitStatus(int status) const {
    const int signal = received_;
    return signal == 0 ? status : kSignalExitBase + signal;
}

}  // namespace tesselar

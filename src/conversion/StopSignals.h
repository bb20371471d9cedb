#pragma once

#include <csignal>

#include "conversion/StopRequest.h"

namespace tesselar {

// 128 plus the signal's number: the exit status shells show for a program a signal ended.
inline constexpr int kSignalExitBase = 128;

// Catches SIGINT, SIGTERM and SIGHUP while it lives, so that a conversion stops as a failure
// that removes its files instead of the process dying in the middle of them. The handler only
// records the signal, for Request(), and writes one byte to `wakeDescriptor` (when given: the
// write end of a non-blocking pipe) to wake an event loop that may not be reached otherwise.
// The handlers are installed without SA_RESTART, so a read(2) blocked on a pipe that delivers
// nothing, or a wait for a lock, returns EINTR and the waiter sees the request at once. They
// stay installed after the first signal: a repeated Ctrl-C is the same request again and never
// cuts short the removal of the files the first one started.
//
// One at a time: the handler reaches the object through one static pointer.
class StopSignals {
public:
    explicit StopSignals(int wakeDescriptor = -1);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    StopRequest Request() const { return StopRequest(received_); }
    // Holds the caught signals back for the rest of the process, once its outcome is settled:
    // one arriving afterwards ends with the process and cannot change its exit status.
    void HoldUntilExit() const;
    // kSignalExitBase plus the number of the first signal received, or `status` when none did.
    int ExitStatus(int status) const;

private:
    static void Handle(int signal);

    volatile std::sig_atomic_t received_ = 0;
    const int wakeDescriptor_;
    struct sigaction previous_[3] = {};
};

}  // namespace tesselar

#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "conversion/StopRequest.h"
#include "conversion/StopSignals.h"

namespace tesselar {

// SIGINT, SIGTERM and SIGHUP for the desktop program. A conversion running in the window sees
// the signal through Request() and fails, removing its files. Otherwise the signal ends the
// event loop, and with it the program: the handler writes to a pipe that a socket notifier
// watches, since a handler may not call Qt.
class SignalEnd final : public QObject {
public:
    SignalEnd();
    ~SignalEnd() override;
    SignalEnd(const SignalEnd&) = delete;
    SignalEnd& operator=(const SignalEnd&) = delete;

    StopRequest Request() const { return signals_->Request(); }
    // What the program ends with: kSignalExitBase plus the signal's number once one arrived
    // (as shells expect of a program a signal ended), else `status`.
    int ExitStatus(int status) const { return signals_->ExitStatus(status); }

private:
    void Woken();

    int pipe_[2] = {-1, -1};
    std::unique_ptr<StopSignals> signals_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tesselar

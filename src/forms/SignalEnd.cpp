#include "forms/SignalEnd.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <array>
#include <stdexcept>

#include "conversion/SystemErrorText.h"

namespace tesselar {

SignalEnd::SignalEnd() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot create a pipe for the termination signals: " +
                                 SystemErrorText(errno));
    }
    signals_ = std::make_unique<StopSignals>(pipe_[1]);
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalEnd::Woken);
}

SignalEnd::~SignalEnd() {
    notifier_.reset();
    signals_.reset();
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

// Leaves every event loop, a modal box's too; a box opened afterwards returns at once.
void SignalEnd::Woken() {
    std::array<char, 16> bytes{};
    while (::read(pipe_[0], bytes.data(), bytes.size()) > 0) {
    }
    QCoreApplication::exit(ExitStatus(0));
}

}  // namespace tesselar

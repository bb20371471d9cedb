#pragma once

#include <csignal>

namespace tesselar {

// Whether a signal has asked the conversion to stop. It reads the flag a signal handler sets
// (see StopSignals): one load, cheap enough to ask after every shape and every chunk read. A
// default one is never requested.
class StopRequest {
public:
    StopRequest() = default;
    explicit StopRequest(const volatile std::sig_atomic_t& signal) : signal_(&signal) {}

    bool Requested() const { return *signal_ != 0; }
    // The number of the signal that asked to stop, 0 while none did.
    int Signal() const { return *signal_; }

private:
    static constexpr std::sig_atomic_t kNoSignal = 0;
    const volatile std::sig_atomic_t* signal_ = &kNoSignal;
};

// How messages name the signals that ask a conversion to stop.
inline const char* SignalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "a signal";
    }
}

}  // namespace tesselar

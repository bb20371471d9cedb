#pragma once

#include <stdexcept>
#include <string>

#include "conversion/PrintableText.h"
#include "conversion/StopRequest.h"

namespace tesselar {

// An error that ends a conversion. Its message is complete and written for the user: it names
// the file (and line) concerned, what was expected and, where the system refused something,
// what the system said.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A count, extent or index went beyond the range of a 16-bit signed integer.
class OverflowError : public ConversionError {
public:
    using ConversionError::ConversionError;
};

// An index lies outside the bounds of one of the job's arrays or of a numbered set (the
// attribute slots, the status bar's panels).
class IndexError : public ConversionError {
public:
    using ConversionError::ConversionError;
};

// A signal asked the conversion to stop (see StopRequest); what it had written is gone.
class Interrupted : public ConversionError {
public:
    // `during` says what the conversion was doing: "reading X axys file 'x.dat'".
    Interrupted(int signal, const std::string& during)
        : ConversionError(std::string("interrupted by ") + SignalName(signal) + " while " + during +
                          "; no shape file was written"),
          signal_(signal) {}
    int Signal() const { return signal_; }

private:
    int signal_;
};

// Throws Interrupted when a signal has asked the conversion to stop while it writes `path`:
// unwinding through the writer discards what it wrote so far.
inline void StopWhenRequested(StopRequest stop, const std::string& path) {
    if (stop.Requested()) [[unlikely]] {
        throw Interrupted(stop.Signal(), "writing '" + PrintableText(path) + "'");
    }
}

}  // namespace tesselar

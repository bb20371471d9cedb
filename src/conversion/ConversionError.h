#pragma once

#include <stdexcept>
#include <string>

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

}  // namespace tesselar

#include "readers/CoordinatesAsRead.h"

#include <cmath>
#include <string>

#include "conversion/ConversionError.h"

namespace tesselar {

namespace {

// Marks a value kept whole rather than as a code.
constexpr std::int8_t kKeptWhole = -128;
// Rounded values below this hold their hundredths, and those times 100, exactly in doubles.
constexpr double kLargestCoded = 1e12;
// Adding and taking away 1.5 x 2^52 rounds a double below 2^51 to the nearest whole number.
constexpr double kRoundingShift = 0x1.8p52;

double NearestWhole(double value) {
    return (value + kRoundingShift) - kRoundingShift;
}

// The value that a code stands for beside `rounded`: its hundredths and the code as
// ten-thousandths, divided once.
double CodedValue(double rounded, double code) {
    return (NearestWhole(rounded * 100.0) * 100.0 + code) / 10000.0;
}

}  // namespace

CoordinatesAsRead::CoordinatesAsRead(int upperI, int upperJ, const char* what)
    : columns_(static_cast<std::size_t>(upperJ) + 1), kept_(upperI, upperJ, what) {
    const std::size_t count = (static_cast<std::size_t>(upperI) + 1) * columns_;
    codes_.reset(static_cast<std::int8_t*>(std::calloc(count, 1)));
    if (!codes_) {
        throw ConversionError(std::string("not enough memory for ") + what + " (" +
                              std::to_string(count) + " values)");
    }
}

void CoordinatesAsRead::KeepDifferent(int i, int j, double rounded, double exact) {
    // The code is checked by decoding it, so that At gives back exactly the value read.
    if (std::fabs(rounded) < kLargestCoded) {
        const double code = NearestWhole((exact - rounded) * 10000.0);
        if (std::fabs(code) <= 127.0 && code != 0.0 && CodedValue(rounded, code) == exact) {
            codes_.get()[Offset(i, j)] = static_cast<std::int8_t>(code);
            return;
        }
    }
    codes_.get()[Offset(i, j)] = kKeptWhole;
    kept_.at(i, j) = exact;
}

double CoordinatesAsRead::Decoded(int i, int j, double rounded, std::int8_t code) const {
    return code == kKeptWhole ? kept_.at(i, j) : CodedValue(rounded, code);
}

void CoordinatesAsRead::Restore(Array2D& rounded) const {
    for (int i = 0; i <= rounded.UpperI(); ++i) {
        double* row = rounded.Row(i);
        for (int j = 0; j <= rounded.UpperJ(); ++j) {
            row[j] = At(i, j, row[j]);
        }
    }
}

}  // namespace tesselar

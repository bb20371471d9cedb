#include "writer/ColumnPlan.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "controls/shapefile/NumericText.h"
#include "writer/WriterLayout.h"

namespace tesselar {

namespace {

// Below it a double that is the nearest to a number of hundredths has no shorter exact text
// than those hundredths: its neighbours lie closer together than a hundredth.
constexpr double kHundredthsLimit = 1e13;

}  // namespace

void ColumnFit::Need(int wholeChars, int decimals) {
    wholeChars_ = std::max(wholeChars_, wholeChars);
    decimals_ = std::max(decimals_, decimals);
}

void ColumnFit::Include(double value) {
    // Values read rounded to hundredths, nearly all of them, are measured without a conversion
    // to text or a library call: only the largest and smallest count of hundredths matter.
    if (std::fabs(value) < kHundredthsLimit) {
        const auto count = static_cast<std::int64_t>(value * 100.0 + (value < 0.0 ? -0.5 : 0.5));
        if (static_cast<double>(count) / 100.0 == value) {
            holdsValues_ = true;
            largestHundredths_ = std::max(largestHundredths_, count);
            smallestHundredths_ = std::min(smallestHundredths_, count);
            if (decimals_ < 2) {
                Need(0, count % 10 != 0 ? 2 : count % 100 != 0 ? 1 : 0);
            }
            return;
        }
    }
    // Writing refuses such a value; it shapes no column.
    if (!std::isfinite(value)) {
        return;
    }
    holdsValues_ = true;
    // The shortest exact text in exponent form, "-d.ddde+XX": its digits and exponent give the
    // digits before and after the point of its fixed form.
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::scientific)
                         .ptr;
    const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    const std::size_t sign = value < 0.0 ? 1 : 0;
    const std::size_t e = text.find('e');
    const int digits = e > sign + 1 ? static_cast<int>(e - sign) - 1 : 1;
    const std::size_t exponentStart = text[e + 1] == '+' ? e + 2 : e + 1;
    int exponent = 0;
    std::from_chars(text.data() + exponentStart, end, exponent);
    const int wholeChars = static_cast<int>(sign) + std::max(1, exponent + 1);
    const int decimals = std::max(0, digits - 1 - exponent);
    if (decimals <= kMaxFittedDecimals &&
        wholeChars + (decimals > 0 ? 1 + decimals : 0) <= kMaxFittedWidth) {
        Need(wholeChars, decimals);
    } else {
        exponentChars_ =
            std::max(exponentChars_, std::min(kMaxFittedWidth, static_cast<int>(text.size())));
    }
}

ColumnFormat ColumnFit::Format() const {
    if (!holdsValues_) {
        return {kAttributeFieldWidth, kAttributeFieldDecimals};
    }
    const auto wholeDigits = [](std::int64_t hundredths) {
        return DecimalDigits(static_cast<std::uint64_t>(hundredths < 0 ? -hundredths : hundredths) /
                             100);
    };
    const int wholeChars =
        std::max({wholeChars_, wholeDigits(largestHundredths_),
                  (smallestHundredths_ < 0 ? 1 : 0) + wholeDigits(smallestHundredths_)});
    // A column without decimals is read as integers (GDAL, pyshp): a value in exponent form
    // needs one.
    const int decimals = std::max(decimals_, exponentChars_ > 0 ? 1 : 0);
    const int decimalChars = decimals > 0 ? 1 + decimals : 0;
    const int fixedWidth = std::min(wholeChars, kMaxFittedWidth - decimalChars) + decimalChars;
    return {std::max(fixedWidth, exponentChars_), decimals};
}

ColumnFormat PlanColumn(const ConversionJob& job, int k, const WriterOptions& options) {
    if (!options.fitColumns) {
        return {kAttributeFieldWidth, kAttributeFieldDecimals};
    }
    const int jMax = job.ShapeType == ShapeType::Polygon ? job.JMax : 1;
    ColumnFit fit;
    for (int i = 1; i <= job.IMax; ++i) {
        for (int j = 1; j <= jMax; ++j) {
            const double value = job.AttribValues.at(k, i, j);
            if (value != options.noData) {
                fit.Include(value);
            }
        }
    }
    return fit.Format();
}

}  // namespace tesselar

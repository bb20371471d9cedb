#pragma once

#include <cstdint>

#include "conversion/ConversionJob.h"
#include "writer/WriterOptions.h"

namespace tesselar {

// The width and decimals of a numeric column.
struct ColumnFormat {
    int width = 0;
    int decimals = 0;
    friend bool operator==(const ColumnFormat&, const ColumnFormat&) = default;
};

// Gathers, value by value, the column that holds every value with all the digits of its
// shortest exact text (the shortest text that reads back as the same double), so that no
// reader rounds it.
//
// A value whose fixed form fits within kMaxFittedWidth characters and kMaxFittedDecimals
// decimals is written in fixed form; the others, such as 1e20 or 1e-20, are written in
// exponent form.
class ColumnFit {
public:
    void Include(double value);
    // The column for the values included: first the most decimals any value in fixed form
    // needs, then the widest whole part with its sign, within kMaxFittedWidth characters, and
    // at least as wide as the exponent form of the others (when that fits kMaxFittedWidth).
    // A value in fixed form with a wider whole part keeps all its digits with fewer decimals;
    // values with more digits than fit are rounded when written. A column holding a value in
    // exponent form has at least one decimal, so that readers take it for real numbers. A
    // column without values has the default format.
    ColumnFormat Format() const;

private:
    void Need(int wholeChars, int decimals);

    bool holdsValues_ = false;
    // Values of hundredths: the extremes of their counts of hundredths.
    std::int64_t largestHundredths_ = 0;
    std::int64_t smallestHundredths_ = 0;
    // Other values in fixed form: the sign and the digits before the point of the widest.
    int wholeChars_ = 0;
    int decimals_ = 0;  // the most decimals of any value in fixed form
    // The longest shortest exact text of a value in exponent form, at most kMaxFittedWidth.
    int exponentChars_ = 0;
};

// The format of attribute k's column for the job's cells (or particles): 10 characters with
// 5 decimals, or with `options.fitColumns` what its values need, leaving out the values equal
// to `options.noData`, which are written as null.
ColumnFormat PlanColumn(const ConversionJob& job, int k, const WriterOptions& options);

}  // namespace tesselar

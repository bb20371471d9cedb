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

// Gathers, value by value, the column that holds every value in fixed form with all the digits
// of its shortest exact text (the shortest text that reads back as the same double), so that
// no reader rounds it and GDAL can write it back into the same column.
class ColumnFit {
public:
    void Include(double value);
    // The column for the values included: the widest whole part with its sign, and the most
    // decimals that fit beside it within kMaxFittedWidth characters and kMaxFittedDecimals
    // decimals. Values with more digits are rounded when written. A column without values has
    // the default format.
    ColumnFormat Format() const;

private:
    void Need(int wholeChars, int decimals);

    bool holdsValues_ = false;
    // Values of hundredths: the extremes of their counts of hundredths.
    std::int64_t largestHundredths_ = 0;
    std::int64_t smallestHundredths_ = 0;
    // Other values: the sign and the digits before the point of the widest.
    int wholeChars_ = 0;
    int decimals_ = 0;  // the most decimals of any value
};

// The format of attribute k's column for the job's cells (or particles): 10 characters with
// 5 decimals, or with `options.fitColumns` what its values need, leaving out the values equal
// to `options.noData`, which are written as null.
ColumnFormat PlanColumn(const ConversionJob& job, int k, const WriterOptions& options);

}  // namespace tesselar

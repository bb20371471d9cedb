// What the .dbf holds of a column: the text of a value and the stored names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <limits>
#include <random>
#include <ranges>
#include <sstream>
#include <string>
#include <vector>

#include "controls/shapefile/DbfFieldNames.h"
#include "controls/shapefile/NumericText.h"

namespace tesselar {
namespace {

// The text in N(width, decimals), "|text|" with " shortened" when digits were lost.
std::string ColumnText(double value, int width = 10, int decimals = 5) {
    std::string text(static_cast<std::size_t>(width), '#');
    const NumericTextFit fit = WriteNumericText(value, width, decimals, text.data());
    if (fit == NumericTextFit::kTooWide) {
        return "too wide, left " + text;
    }
    return "|" + text + "|" + (fit == NumericTextFit::kShortened ? " shortened" : "");
}

// "VALUE [in WIDTH.DECIMALS] => TEXT", N(10, 5) when no column is given.
TEST(NumericText, WritesTheColumnText) {
    const char* const rows[] = {
        // Fits with its decimals, right-aligned.
        "0 => |   0.00000|", "12.34 => |  12.34000|", "-1.25 => |  -1.25000|",
        "0.001 => |   0.00100|", "-999.99999 => |-999.99999|", "9999.99999 => |9999.99999|",
        "1000000000000.5 in 19.5 => |1000000000000.50000|", "-7 in 3.0 => | -7|",
        "999 in 3.0 => |999|", "-0 => |   0.00000|",
        // Every digit of the shortest exact text, and zeros after it: no digit of the binary
        // expansion beyond it ("1234.09999999999991").
        "1234.1 in 19.15 => |1234.10000000000000|", "0.1 in 19.15 => |  0.100000000000000|",
        "123456789012.3 in 19.6 => |123456789012.300000|",
        // Too long with its decimals: fewer zeros after the digits while that is enough.
        "10000 => |10000.0000|", "-1000.5 => |-1000.5000|", "1234567.89 => |1234567.89|",
        "123456789 => | 123456789|", "1e17 in 19.2 => | 100000000000000000|",
        "0.25 in 19.2 => |               0.25|",
        // Beyond that, rounded to the decimals that fit while the whole part fits ...
        "12345.678912 => |12345.6789| shortened", "123456789.4 => | 123456789| shortened",
        "12.36 in 4.2 => |12.4| shortened", "12345.678901234567 => |12345.6789| shortened",
        "0.30000000000000004 => |   0.30000| shortened", "2.000004 => |   2.00000| shortened",
        "0.30000000000000004 in 19.15 => |  0.300000000000000| shortened",
        // ... and in exponent form where that reads back nearer: too large for the whole part
        // or too small for the decimals, with every digit when they fit ...
        "12345678901 => |1.2346e+10| shortened", "-123456789012 => |-1.235e+11| shortened",
        "1e300 => |1.000e+300|", "1e300 in 6.1 => |1e+300|", "1e-20 in 5.1 => |1e-20|",
        "1e-7 => |1.0000e-07|", "-1e-7 => |-1.000e-07|", "-0.000001 => |-1.000e-06|",
        "4.9e-324 => |4.941e-324|", "1e-310 => |1.000e-310|",
        "0.000123456 => |1.2346e-04| shortened",
        // ... never rounded past the largest double, which readers would take for infinity.
        "-1.7976931348623157e308 => |-1.79e+308| shortened",
        "1.7976931348623157e308 => |1.797e+308| shortened",
        // What no text fits is refused, the column left alone.
        "12345 in 3.0 => too wide, left ###"};
    for (const std::string row : rows) {
        std::istringstream in(row);
        double value = 0;
        int width = 10;
        int decimals = 5;
        std::string word;
        char dot = 0;
        in >> value >> word;
        if (word == "in") {
            in >> width >> dot >> decimals;
        }
        EXPECT_EQ(ColumnText(value, width, decimals), row.substr(row.find("=> ") + 3)) << row;
    }
}

double ReadBack(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

// The shortest exact text's digits by printf: the fewest significant digits that read back.
std::string ShortestDigits(double value) {
    char printed[64];
    for (int precision = 0;; ++precision) {
        std::snprintf(printed, sizeof printed, "%.*e", precision, value);
        if (ReadBack(printed) == value) {
            break;
        }
    }
    std::string digits;
    for (const char c : std::string_view(printed).substr(0, std::string_view(printed).find('e'))) {
        if (c >= '0' && c <= '9') {
            digits += c;
        }
    }
    return digits;
}

// The significant digits of a fixed-form text, without the zeros before and after them.
std::string SignificantDigits(const std::string& text) {
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            digits += c;
        }
    }
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        return "0";
    }
    return digits.substr(first, digits.find_last_not_of('0') - first + 1);
}

// How near to the value printf's texts that fit the column read back: fixed form with the
// column's decimals or fewer, exponent form with any count of digits.
double NearestPrintfDistance(double value, int width, int decimals) {
    double nearest = std::numeric_limits<double>::infinity();
    char printed[400];
    for (const char* format : {"%.*f", "%.*e"}) {
        for (int precision = format[3] == 'f' ? decimals : width; precision >= 0; --precision) {
            const int length = std::snprintf(printed, sizeof printed, format, precision, value);
            if (length <= width && std::isfinite(ReadBack(printed))) {
                nearest = std::min(nearest, std::fabs(ReadBack(printed) - value));
            }
        }
    }
    return nearest;
}

// Hundredths (as the reader gives them), hundredths and whole numbers up to 1e15 and random
// values of every size, in several columns, as printf and strtod see them: the text reads back
// as the value (and only then counts as exact) wherever printf has a text that does and fits,
// and then in fixed form holds the digits of the shortest exact text and no others; otherwise
// no text printf can fit reads back nearer. Only what printf cannot fit at all is refused.
TEST(NumericText, KeepsEveryDigitThatFitsAndCountsWhatItLoses) {
    std::vector<double> values;
    for (int count = -999999; count <= 999999; count += 997) {
        values.push_back(count / 100.0);
    }
    std::mt19937_64 random(20240517);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<std::int64_t> large(-999'999'999'999'999, 999'999'999'999'999);
    std::uniform_int_distribution<int> exponent(-330, 308);
    for (int i = 0; i < 3000; ++i) {
        values.insert(values.end(), {unit(random) * 2e4, unit(random) * 1e-3, unit(random) * 1e6,
                                     static_cast<double>(large(random)) / 100.0,
                                     static_cast<double>(large(random)),
                                     unit(random) * std::pow(10.0, exponent(random))});
    }
    for (const auto& [width, decimals] :
         {std::pair{10, 5}, {5, 0}, {8, 1}, {13, 3}, {16, 0}, {19, 15}, {19, 2}, {7, 1}}) {
        for (const double value : values) {
            SCOPED_TRACE(testing::Message()
                         << std::setprecision(17) << value << " in " << width << "." << decimals);
            std::string text(static_cast<std::size_t>(width), '#');
            const NumericTextFit fit = WriteNumericText(value, width, decimals, text.data());
            const double read = ReadBack(text);
            if (fit == NumericTextFit::kTooWide) {
                ASSERT_TRUE(std::isinf(NearestPrintfDistance(value, width, decimals)));
            } else if (read == value) {
                ASSERT_EQ(fit, NumericTextFit::kExact) << text;
                if (text.find('e') == std::string::npos) {
                    ASSERT_EQ(SignificantDigits(text), SignificantDigits(ShortestDigits(value)))
                        << text;
                }
            } else {
                ASSERT_EQ(fit, NumericTextFit::kShortened) << text;
                ASSERT_LE(std::fabs(read - value), NearestPrintfDistance(value, width, decimals))
                    << text;
            }
            if (fit != NumericTextFit::kTooWide) {
                // Right-aligned: blanks, then the text without a blank in it.
                ASSERT_EQ(text.find(' ', text.find_first_not_of(' ')), std::string::npos) << text;
            }
        }
    }
}

// Hundredths in steps that reach every last digit are written in the default column as they
// always were: printf's text with 5 decimals wherever that fits.
TEST(NumericText, HundredthsInTheDefaultColumnArePrintfsText) {
    for (int count = -999999; count <= 999999; count += 7) {
        const double value = count / 100.0;
        char printed[64];
        if (std::snprintf(printed, sizeof printed, "%10.5f", value) == 10) {
            ASSERT_EQ(ColumnText(value), "|" + std::string(printed) + "|");
        }
    }
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    for (const auto part : std::views::split(text, '|')) {
        parts.emplace_back(part.begin(), part.end());
    }
    return parts;
}

// "NAME|NAME... => STORED|STORED...": names that fit keep their text, even when a longer name
// comes first; the others are shortened around them and made unique ignoring ASCII case.
TEST(DbfColumnNames, KeepNamesThatFitAndShortenTheOthersAroundThem) {
    const char* const rows[] = {
        "Temperature|Depth => Temperatur|Depth",
        "Temperature_surface|Salinity|Temperatur => Temperat_1|Salinity|Temperatur",
        "Temperature_surface|TEMPERATUR => Temperat_1|TEMPERATUR",
        "abcdefghijk|abcdefghij|abcdefgh_1 => abcdefgh_2|abcdefghij|abcdefgh_1",
        // Names that differ only after their tenth byte meet once shortened.
        "Temperature|temperature_max|TEMPERATURE => Temperatur|temperat_1|TEMPERAT_2",
        "depth|DEPTH|Depth => depth|DEPTH_1|Depth_2",
        "x|x_1|x_2|x_3|x_4|x_5|x_6|x_7|x_8|x_9|X => x|x_1|x_2|x_3|x_4|x_5|x_6|x_7|x_8|x_9|X_10",
        "abcdefghij|abcdefgh_1|abcdefgh_2|abcdefgh_3|abcdefgh_4|abcdefgh_5|abcdefgh_6|abcdefgh_7|"
        "abcdefgh_8|abcdefgh_9|abcdefghijk => abcdefghij|abcdefgh_1|abcdefgh_2|abcdefgh_3|"
        "abcdefgh_4|abcdefgh_5|abcdefgh_6|abcdefgh_7|abcdefgh_8|abcdefgh_9|abcdefg_10",
        // Only ASCII letters are compared without case.
        "\xC3\xA9t\xC3\xA9|\xC3\x89T\xC3\x89 => \xC3\xA9t\xC3\xA9|\xC3\x89T\xC3\x89",
        // Shortened without splitting a UTF-8 character of two, three or four bytes.
        "abcdefghi\xC3\xA9 => abcdefghi",
        "\xE6\xB0\xB4\xE6\xB8\xA9\xE3\x83\x87\xE3\x83\xBC => \xE6\xB0\xB4\xE6\xB8\xA9\xE3\x83\x87",
        "salinity\xF0\x9F\x8C\x8A => salinity",
        "abcdefg\xC3\xA9x|abcdefg\xC3\xA9x => abcdefg\xC3\xA9x|abcdefg_1",
        // Readers drop blanks at the end of a name: a stored name never ends in one.
        "Salinit\xC3\xA9 de surface => Salinit\xC3\xA9",
        "Mean depth|MEAN DEPTH => Mean depth|MEAN DEP_1", "Mean |MEAN => Mean_1|MEAN",
        "abcdefg  x|abcdefg  xyz => abcdefg  x|abcdefg_1",
        // A name left empty becomes "FIELD".
        "|   |FIELD => FIELD_1|FIELD_2|FIELD"};
    for (const std::string row : rows) {
        const std::size_t arrow = row.find(" => ");
        std::vector<std::string> stored;
        for (const DbfColumnName& column : DbfColumnNames(Split(row.substr(0, arrow)))) {
            stored.push_back(column.stored);
        }
        EXPECT_EQ(stored, Split(row.substr(arrow + 4))) << row;
    }
}

}  // namespace
}  // namespace tesselar

// What the .dbf holds of a column: the text of a value and the stored names.
#include <gtest/gtest.h>

#include <cstdio>
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
        "999 in 3.0 => |999|",
        // Rounded to the column's decimals like any value; a vanished negative keeps no sign.
        "1e-7 => |   0.00000|", "-1e-7 => |   0.00000|", "-0 => |   0.00000|",
        "2.000004 => |   2.00000|",
        // Too long with its decimals: only zeros are dropped while that is enough.
        "10000 => |10000.0000|", "-1000.5 => |-1000.5000|", "1234567.89 => |1234567.89|",
        "123456789 => | 123456789|",
        // Beyond that, rounded to the decimals that fit while the whole part fits ...
        "12345.678912 => |12345.6789| shortened", "123456789.4 => | 123456789| shortened",
        "12.36 in 4.2 => |12.4| shortened",
        // ... and in exponent form with as many digits as fit when it does not ...
        "12345678901 => |1.2346e+10| shortened", "-123456789012 => |-1.235e+11| shortened",
        "1e300 => |1.000e+300| shortened",
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

// Hundredths (as the reader gives them) in steps that reach every last digit, hundredths and
// whole numbers up to 1e15 and random values of every size, in several columns.
TEST(NumericText, AnyValueThatFitsIsPrintfsText) {
    std::vector<double> values;
    for (int hundredths = -999999; hundredths <= 999999; hundredths += 7) {
        values.push_back(hundredths / 100.0);
    }
    std::mt19937_64 random(20240517);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<std::int64_t> large(-999'999'999'999'999, 999'999'999'999'999);
    for (int i = 0; i < 8000; ++i) {
        values.insert(values.end(), {unit(random) * 2e4, unit(random) * 1e-3, unit(random) * 1e6,
                                     static_cast<double>(large(random)) / 100.0,
                                     static_cast<double>(large(random))});
    }
    for (const auto& [width, decimals] :
         {std::pair{10, 5}, {5, 0}, {8, 1}, {13, 3}, {16, 0}, {19, 15}}) {
        for (const double value : values) {
            char printed[64];
            std::snprintf(printed, sizeof printed, "|%*.*f|", width, decimals, value);
            const std::string reference = printed;
            // printf keeps the sign of a vanished negative; the column does not.
            if (static_cast<int>(reference.size()) == width + 2 &&
                reference.find_first_not_of("|-0. ") != std::string::npos) {
                ASSERT_EQ(ColumnText(value, width, decimals), reference);
            }
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

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "readers/LineValue.h"

namespace tesselar {
namespace {

// Each case is "LINE => VALUE". The result must be the very double nearest to the decimal VALUE:
// compared exactly.
void ExpectValues(std::initializer_list<std::string_view> cases,
                  bool (*read)(std::string_view, double&) = ReadLineValue) {
    for (const std::string_view c : cases) {
        const std::size_t arrow = c.find(" => ");
        const std::string line(c.substr(0, arrow));
        const double expected = std::strtod(std::string(c.substr(arrow + 4)).c_str(), nullptr);
        double value = -1.0;
        ASSERT_TRUE(read(line, value)) << "'" << line << "'";
        EXPECT_EQ(value, expected) << "'" << line << "'";
        EXPECT_EQ(std::signbit(value), std::signbit(expected)) << "'" << line << "'";
    }
}

TEST(ReadLineValue, ReadsTheLongestLeadingNumberRoundedToHundredthsHalvesToEven) {
    // Halfway hundredths round to even on the digits as written, blanks inside or not.
    ExpectValues({"0.125 => 0.12", "0.375 => 0.38", "1.015 => 1.02", "2.675 => 2.68",
                  "0.005 => 0.0", "-0.015 => -0.02", "0.0051 => 0.01", "99.995 => 100.0",
                  "-3.14159 => -3.14", "123456789012.345 => 123456789012.34", "0.1 25 => 0.12",
                  "- 0.01 5 => -0.02"});
    // The longest leading number counts; zero where none leads, never negative zero.
    ExpectValues({"1.5D+02 => 150.0", "1.5d2 => 150.0", "2.5E-1 => 0.25", "1 234.5 => 1234.5",
                  " \t- 12 . 5 e 1  => -125.0", "12abc => 12.0", "1,5 => 1.0", "1.2.3 => 1.2",
                  "+7 => 7.0", ".5 => 0.5", "5. => 5.0", "1e+ => 1.0", "3 <EndData> => 3.0"});
    ExpectValues({" => 0.0", "    => 0.0", "abc => 0.0", "inf => 0.0", "nan => 0.0", "--7 => 0.0",
                  "e5 => 0.0", ". => 0.0", "& => 0.0", "&X12 => 0.0", "-0.001 => 0.0",
                  "-0.005 => 0.0", "-0 => 0.0", "-0.0e5 => 0.0", "- => 0.0"});
    // Hexadecimal and octal integers, rounded to the nearest double beyond 2^53.
    ExpectValues({"&HFF => 255.0", "&hff => 255.0", "&H 1 0 => 16.0", "&O17 => 15.0", "&o8 => 0.0",
                  "&O777x => 511.0", "&HFFFFFFFFFFFFFFFFFF => 4722366482869645213696.0",
                  "&O1777777777777777777777777 => 9444732965739290427392.0"});
    // Long numbers are rounded on all their digits; extreme exponents.
    ExpectValues(
        {"1234567890.1234567890123456 => 1234567890.12", "0.1250000000000000000000001 => 0.13",
         "0.1350000000000000000000000 => 0.14", "9999999999999999999.995 => 10000000000000000000.0",
         "9007199254740993 => 9007199254740993.0", "00000000000000000000000000012.5 => 12.5",
         "1.7976931348623157e308 => 1.7976931348623157e308", "1e-999 => 0.0", "6e-3 => 0.01",
         "0e999 => 0.0"});
}

TEST(ReadLineValue, ReportsNumbersBeyondTheRangeOfADouble) {
    for (const std::string& line :
         {std::string("1e999"), std::string("-1e999"), std::string("1.8e308"),
          std::string("1e99999999999999999999"), "&H" + std::string(300, 'F')}) {
        double value = 0.0;
        EXPECT_FALSE(ReadLineValue(line, value)) << line;
    }
}

// With every digit kept, a line reads as the double nearest to its number, in every notation
// ReadLineValue takes.
TEST(ReadLineDigits, ReadsTheNearestDoubleOfTheNumberAsWritten) {
    ExpectValues({"1.015 => 1.015", "-8.7012345 => -8.7012345", "512496.004 => 512496.004",
                  ".5 => 0.5", "-.25 => -0.25", "1 234.5 => 1234.5", "1.5D+02 => 150.0",
                  "2.5e-1  => 0.25", "12abc => 12.0", "1,5 => 1.0", "&HFF => 255.0",
                  "0.12345678901234567890123 => 0.12345678901234567890123", "1e-400 => 0.0",
                  "-0 => 0.0", "inf => 0.0", " => 0.0"},
                 ReadLineDigits);
    double value = 0.0;
    EXPECT_FALSE(ReadLineDigits("-1e999", value));
    EXPECT_FALSE(ReadLineDigits("1.8e3 08", value));
}

}  // namespace
}  // namespace tesselar

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <iomanip>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "controls/shapefile/NumericText.h"

namespace tesselar {
namespace {

struct Written {
    std::string text;
    NumericTextFit fit;
};

Written Write(double value, int width = 10, int decimals = 5) {
    std::string text(static_cast<std::size_t>(width), '#');
    const NumericTextFit fit = WriteNumericText(value, width, decimals, text.data());
    return {text, fit};
}

std::string Printf(double value, int width, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%*.*f", width, decimals, value);
    return text;
}

struct Case {
    double value;
    const char* text;
    NumericTextFit fit;
};

// Names each case after its value, so that the test names stay the same from build to build.
void PrintTo(const Case& c, std::ostream* out) {
    *out << std::setprecision(17) << c.value;
}

class NumericTextTable : public testing::TestWithParam<Case> {};

TEST_P(NumericTextTable, WritesTheColumnText) {
    const Case& expected = GetParam();
    const Written written = Write(expected.value);
    EXPECT_EQ(written.text, expected.text) << "value " << expected.value;
    EXPECT_EQ(written.fit, expected.fit) << "value " << expected.value;
}

constexpr auto kExact = NumericTextFit::kExact;
constexpr auto kShortened = NumericTextFit::kShortened;

INSTANTIATE_TEST_SUITE_P(
    TenWideFiveDecimals, NumericTextTable,
    testing::Values(
        // Fits with its five decimals, right-aligned.
        Case{0.0, "   0.00000", kExact}, Case{12.34, "  12.34000", kExact},
        Case{-1.25, "  -1.25000", kExact}, Case{0.001, "   0.00100", kExact},
        Case{-999.99999, "-999.99999", kExact}, Case{9999.99999, "9999.99999", kExact},
        Case{-999.99, "-999.99000", kExact},
        // Rounded to the column's decimals like any value; a vanished negative keeps no sign.
        Case{1e-7, "   0.00000", kExact}, Case{-1e-7, "   0.00000", kExact},
        Case{-0.0, "   0.00000", kExact}, Case{2.000004, "   2.00000", kExact},
        // Too long with five decimals: only zeros are dropped while that is enough.
        Case{10000.0, "10000.0000", kExact}, Case{12345.67, "12345.6700", kExact},
        Case{-9999.99, "-9999.9900", kExact}, Case{-1000.5, "-1000.5000", kExact},
        Case{1234567.89, "1234567.89", kExact}, Case{123456789.0, " 123456789", kExact},
        // Beyond that, rounded to the decimals that fit while the whole part fits ...
        Case{12345.678912, "12345.6789", kShortened}, Case{123456789.4, " 123456789", kShortened},
        // ... and in exponent form with as many digits as fit when it does not.
        Case{12345678901.0, "1.2346e+10", kShortened},
        Case{-123456789012.0, "-1.235e+11", kShortened}, Case{1e300, "1.000e+300", kShortened},
        // Never rounded past the largest double, which readers would take for infinity.
        Case{-std::numeric_limits<double>::max(), "-1.79e+308", kShortened},
        Case{std::numeric_limits<double>::max(), "1.797e+308", kShortened}));

TEST(NumericText, AnyValueThatFitsIsPrintfsText) {
    // Every number of hundredths from -9999.99 to 9999.99 (in steps that reach every last
    // digit), as the reader gives them, hundredths and whole numbers up to 1e15, and random
    // values of every size, in the default column and in integer and fitted columns.
    std::vector<double> values;
    for (int hundredths = -999999; hundredths <= 999999; hundredths += 7) {
        values.push_back(hundredths / 100.0);
    }
    std::mt19937_64 random(20240517);
    std::uniform_real_distribution<double> wide(-20000.0, 20000.0);
    std::uniform_real_distribution<double> narrow(-1.0, 1.0);
    std::uniform_int_distribution<std::int64_t> large(-999'999'999'999'999, 999'999'999'999'999);
    for (int i = 0; i < 8000; ++i) {
        values.insert(values.end(), {wide(random), narrow(random) * 1e-3, narrow(random) * 1e6,
                                     static_cast<double>(large(random)) / 100.0,
                                     static_cast<double>(large(random) / 10) / 10.0,
                                     static_cast<double>(large(random))});
    }
    const std::pair<int, int> formats[] = {{10, 5}, {5, 0}, {8, 1}, {13, 3}, {16, 0}, {19, 15}};
    for (const auto& [width, decimals] : formats) {
        for (const double value : values) {
            const std::string reference = Printf(value, width, decimals);
            // A vanished negative is written without its sign, unlike printf's.
            const std::string negativeZero =
                decimals == 0 ? " -0"
                              : "-0." + std::string(static_cast<std::size_t>(decimals), '0');
            if (static_cast<int>(reference.size()) == width &&
                reference.find(negativeZero) == std::string::npos) {
                ASSERT_EQ(Write(value, width, decimals).text, reference)
                    << "value " << value << " in N(" << width << ", " << decimals << ")";
                ASSERT_EQ(Write(value, width, decimals).fit, kExact) << "value " << value;
            }
        }
    }
}

TEST(NumericText, OtherWidthsAndDecimals) {
    EXPECT_EQ(Write(1e12 + 0.5, 19, 5).text, "1000000000000.50000");
    EXPECT_EQ(Write(-7.0, 3, 0).text, " -7");
    EXPECT_EQ(Write(999.0, 3, 0).text, "999");
    // Hundredths in a column too narrow for them are rounded, not cut.
    EXPECT_EQ(Write(12.36, 4, 2).text, "12.4");
    EXPECT_EQ(Write(12.36, 4, 2).fit, kShortened);
    // What no text fits is refused, the column left alone.
    std::string text = "###";
    EXPECT_EQ(WriteNumericText(12345.0, 3, 0, text.data()), NumericTextFit::kTooWide);
    EXPECT_EQ(text, "###");
}

}  // namespace
}  // namespace tesselar

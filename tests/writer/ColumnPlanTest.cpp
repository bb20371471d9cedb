#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <iomanip>
#include <limits>
#include <string>
#include <vector>

#include "controls/shapefile/NumericText.h"
#include "writer/ColumnPlan.h"
#include "writer/JobBuilder.h"

namespace tesselar {
namespace {

// A column keeps first the decimals of the values that have a fixed form within 19 characters
// and 15 decimals, then the widest whole part in the room left; it is as wide as the exponent
// form of the others (such as 1e20 or 1e-20), and then has a decimal so that readers take it
// for real numbers. Without values it keeps the default; what cannot be written shapes nothing.
TEST(ColumnFit, DecimalsFirstThenTheWholePartAndRoomForTheExponentForm) {
    const struct {
        std::vector<double> values;
        ColumnFormat expected;
    } cases[] = {
        {{12345.67}, {8, 2}},
        {{1.5, -20.0}, {5, 1}},
        {{0.0, -0.0}, {1, 0}},
        {{32767.0, 3.0}, {5, 0}},
        {{-9999.99, 0.05}, {8, 2}},
        {{123456789.123}, {13, 3}},
        {{-0.000001}, {9, 6}},
        {{1234567890123.5, 0.001}, {17, 3}},
        {{123456789012345678.0}, {18, 0}},
        {{100000000000000000.0, 42.0}, {18, 0}},
        // The decimals stay; the widest whole parts keep their digits with fewer decimals.
        {{0.25, 1e17}, {19, 2}},
        {{-98765432109876.5, 0.000001}, {19, 6}},
        {{12.5, 1e-15}, {18, 15}},
        // Exponent form: all its digits when they fit 19 characters.
        {{1.5, 1e300}, {6, 1}},
        {{1e20, 0.5}, {5, 1}},
        {{1e-20}, {5, 1}},
        {{-4.9406564584124654e-324}, {7, 1}},
        {{0.1 + 0.2}, {19, 1}},
        {{}, {10, 5}},
        {{std::numeric_limits<double>::infinity(), 2.5}, {3, 1}},
    };
    for (const auto& [values, expected] : cases) {
        ColumnFit fit;
        for (const double value : values) {
            fit.Include(value);
        }
        EXPECT_EQ(fit.Format(), expected) << testing::PrintToString(values);
    }
}

// Every value written into the column planned for it reads back (strtod) as the value, unless
// no text of 19 characters can hold its digits: those, and only those, count as shortened.
TEST(ColumnFit, EveryValueReadsBackUnlessNoTextCanHoldItsDigits) {
    const double kMax = std::numeric_limits<double>::max();
    const struct {
        std::vector<double> values;
        std::vector<double> shortened;
    } cases[] = {
        {{0.25, 1e17, -3.75}, {}},
        {{1.5, 1e300, -2.25e-300}, {}},
        {{0.5, 1e-20, 7.0}, {}},
        {{12.5, 1e-15, 999.25}, {}},
        {{-98765432109876.5, 0.000001}, {}},
        {{123456789012345678.0, 0.5, -12345.67}, {}},
        {{12345.678901234567, 4.9406564584124654e-324, 1e-310, -0.000001, 1e-20}, {}},
        {{0.1 + 0.2, 0.5}, {0.1 + 0.2}},
        {{kMax, -kMax, 1.0}, {kMax, -kMax}},
    };
    for (const auto& [values, shortened] : cases) {
        ColumnFit fit;
        for (const double value : values) {
            fit.Include(value);
        }
        const ColumnFormat format = fit.Format();
        std::vector<double> lost;
        for (const double value : values) {
            std::string text(static_cast<std::size_t>(format.width), '#');
            const NumericTextFit written =
                WriteNumericText(value, format.width, format.decimals, text.data());
            ASSERT_NE(written, NumericTextFit::kTooWide) << value;
            EXPECT_EQ(written == NumericTextFit::kShortened,
                      std::strtod(text.c_str(), nullptr) != value)
                << std::setprecision(17) << value << " as " << text;
            if (written == NumericTextFit::kShortened) {
                lost.push_back(value);
            }
        }
        EXPECT_EQ(lost, shortened)
            << testing::PrintToString(values) << " in " << format.width << "." << format.decimals;
    }
}

TEST(PlanColumn, LeavesOutTheNoDataValueAndReadsOnlyTheJobsCells) {
    const auto values = [](int, int i, int j) {
        return (i + j) % 2 == 0 ? -9999.0 : 250.25 * i + j / 2.0;
    };
    struct {
        ShapeType shapeType;
        std::int16_t jMax;
        WriterOptions options;
        ColumnFormat expected;
    } cases[] = {
        {ShapeType::Polygon, 3, {}, {10, 5}},
        {ShapeType::Polygon, 3, {.fitColumns = true, .cellIndex = false, .noData = {}}, {8, 2}},
        {ShapeType::Polygon,
         3,
         {.fitColumns = true, .cellIndex = false, .noData = -9999.0},
         {6, 2}},
        // Particle p's values stand at (p, 1): particles 1 and 3 are the no-data value.
        {ShapeType::Point, 1, {.fitColumns = true, .cellIndex = false, .noData = -9999.0}, {3, 0}},
        {ShapeType::Point, 1, {.fitColumns = true, .cellIndex = false, .noData = 0.5}, {5, 0}},
    };
    for (const auto& c : cases) {
        ConversionJob job;
        test::FillJob(
            job, c.shapeType, 3, c.jMax, {"depth"}, [](int, int) { return 0.0; },
            [](int, int) { return 0.0; }, values);
        const ColumnFormat format = PlanColumn(job, 1, c.options);
        EXPECT_EQ(format, c.expected)
            << ShapeTypeText(c.shapeType) << " " << format.width << "." << format.decimals;
    }
}

}  // namespace
}  // namespace tesselar

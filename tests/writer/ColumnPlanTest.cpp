#include <gtest/gtest.h>

#include <initializer_list>
#include <iomanip>
#include <limits>
#include <vector>

#include "writer/ColumnPlan.h"
#include "writer/JobBuilder.h"

namespace tesselar {
namespace {

// A column holds every digit of its values' shortest texts within 19 characters: the whole part
// first, the decimals get the room left. Without values it keeps the default; what cannot be
// written shapes nothing.
TEST(ColumnFit, HoldsEveryDigitOfTheShortestTextWithinNineteenCharacters) {
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
        {{0.1 + 0.2}, {17, 15}},
        {{-98765432109876.5, 0.000001}, {19, 3}},
        {{1e20, 0.5}, {19, 0}},
        {{123456789012345678.0}, {18, 0}},
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

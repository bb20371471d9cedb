#include <gtest/gtest.h>

#include <initializer_list>
#include <iomanip>
#include <limits>
#include <vector>

#include "writer/ColumnPlan.h"
#include "writer/JobBuilder.h"

namespace tesselar {
namespace {

struct FitCase {
    std::vector<double> values;
    ColumnFormat expected;
};

void PrintTo(const FitCase& c, std::ostream* out) {
    *out << std::setprecision(17) << "values ";
    for (const double value : c.values) {
        *out << value << " ";
    }
}

class ColumnFitTable : public testing::TestWithParam<FitCase> {};

TEST_P(ColumnFitTable, HoldsEveryDigitOfTheShortestTextWithinNineteenCharacters) {
    ColumnFit fit;
    for (const double value : GetParam().values) {
        fit.Include(value);
    }
    const ColumnFormat format = fit.Format();
    EXPECT_EQ(format.width, GetParam().expected.width);
    EXPECT_EQ(format.decimals, GetParam().expected.decimals);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ColumnFitTable,
    testing::Values(
        // Hundredths as the reader rounds them, and whole numbers.
        FitCase{{12345.67}, {8, 2}}, FitCase{{1.5, -20.0}, {5, 1}}, FitCase{{0.0, -0.0}, {1, 0}},
        FitCase{{32767.0, 3.0}, {5, 0}}, FitCase{{1e15}, {16, 0}},
        FitCase{{-9999.99, 0.05}, {8, 2}},
        // Values kept with all their digits.
        FitCase{{123456789.123}, {13, 3}}, FitCase{{-0.000001}, {9, 6}},
        FitCase{{1234567890123.5, 0.001}, {17, 3}}, FitCase{{1.0 / 3.0}, {17, 15}},
        FitCase{{0.1 + 0.2}, {17, 15}},
        // The whole part first; the decimals get the room left within 19 characters.
        FitCase{{-98765432109876.5, 0.000001}, {19, 3}}, FitCase{{1e20, 0.5}, {19, 0}},
        FitCase{{123456789012345678.0}, {18, 0}},
        // A column without values keeps the default; what cannot be written shapes nothing.
        FitCase{{}, {10, 5}}, FitCase{{std::numeric_limits<double>::infinity(), 2.5}, {3, 1}}));

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

#include <gtest/gtest.h>

#include "cli/ConvertOptions.h"

namespace tesselar {
namespace {

using Arguments = std::vector<std::string>;

Arguments Minimal() {
    return {"-x", "x.dat", "-y", "y.dat", "-a", "Temp=t.dat", "-o", "out/a.shp"};
}

Arguments With(Arguments arguments, const Arguments& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

TEST(ConvertOptionsTest, ReadsShortOptionsWithPolygonAsTheDefaultType) {
    const ConvertOptions options = ParseConvertOptions(Minimal());

    EXPECT_EQ(options.action, ConvertOptions::Action::Convert);
    EXPECT_EQ(options.xFile, "x.dat");
    EXPECT_EQ(options.yFile, "y.dat");
    ASSERT_EQ(options.attributes.size(), 1u);
    EXPECT_EQ(options.attributes[0], std::make_pair(std::string("Temp"), std::string("t.dat")));
    EXPECT_EQ(options.shpPath, "out/a.shp");
    EXPECT_EQ(options.shapeFolder, "out");
    EXPECT_EQ(options.shapeFileName, "a");
    EXPECT_EQ(options.shapeType, ShapeType::Polygon);
    EXPECT_FALSE(options.quiet);
}

TEST(ConvertOptionsTest, ReadsLongOptionsWithTheirValueApartOrAfterAnEqualsSign) {
    const ConvertOptions options = ParseConvertOptions(
        {"--x-file=x.dat", "--y-file", "y.dat", "--attribute=Depth=d=1.dat", "--attribute",
         "Age=a.dat", "--output=drifters", "--type=point", "--quiet"});

    EXPECT_EQ(options.xFile, "x.dat");
    EXPECT_EQ(options.yFile, "y.dat");
    ASSERT_EQ(options.attributes.size(), 2u);
    EXPECT_EQ(options.attributes[0].first, "Depth");
    EXPECT_EQ(options.attributes[0].second, "d=1.dat");  // split at the first "="
    EXPECT_EQ(options.attributes[1].first, "Age");
    EXPECT_EQ(options.shapeType, ShapeType::Point);
    EXPECT_TRUE(options.quiet);
}

TEST(ConvertOptionsTest, AddsTheExtensionOnlyWhenMissing) {
    const auto output = [](const std::string& value) {
        const ConvertOptions options =
            ParseConvertOptions({"-x", "x", "-y", "y", "-a", "A=a", "-o", value});
        return options.shpPath + "|" + options.shapeFolder + "|" + options.shapeFileName;
    };
    EXPECT_EQ(output("lagoon"), "lagoon.shp|.|lagoon");
    EXPECT_EQ(output("lagoon.shp"), "lagoon.shp|.|lagoon");
    EXPECT_EQ(output("maps/Lagoon.SHP"), "maps/Lagoon.SHP|maps|Lagoon");
    EXPECT_EQ(output("/lagoon.dat"), "/lagoon.dat.shp|/|lagoon.dat");
}

TEST(ConvertOptionsTest, KeepsAttributesInTheOrderGivenUpToFifty) {
    Arguments arguments = Minimal();
    for (int k = 2; k <= 50; ++k) {
        arguments.insert(arguments.end(), {"-a", "A" + std::to_string(k) + "=f"});
    }
    const ConvertOptions options = ParseConvertOptions(arguments);
    ASSERT_EQ(options.attributes.size(), 50u);
    EXPECT_EQ(options.attributes[0].first, "Temp");
    EXPECT_EQ(options.attributes[49].first, "A50");

    arguments.insert(arguments.end(), {"-a", "A51=f"});
    EXPECT_THROW(ParseConvertOptions(arguments), UsageError);
}

TEST(ConvertOptionsTest, HelpAndVersionNeedNothingElse) {
    EXPECT_EQ(ParseConvertOptions({"--help"}).action, ConvertOptions::Action::ShowHelp);
    EXPECT_EQ(ParseConvertOptions({"-h"}).action, ConvertOptions::Action::ShowHelp);
    EXPECT_EQ(ParseConvertOptions({"--version"}).action, ConvertOptions::Action::ShowVersion);
}

struct UsageCase {
    std::string name;
    Arguments arguments;
    std::string reason;  // a part of the message
};

void PrintTo(const UsageCase& usageCase, std::ostream* out) {
    *out << usageCase.name;
}

class ConvertUsageErrorTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(ConvertUsageErrorTest, RefusesWithAReason) {
    try {
        ParseConvertOptions(GetParam().arguments);
        FAIL() << "no UsageError";
    } catch (const UsageError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().reason), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertUsageErrorTest,
    ::testing::Values(
        UsageCase{"NoArguments", {}, "X axys file is missing"},
        UsageCase{"NoXFile", {"-y", "y", "-a", "A=a", "-o", "o"}, "X axys file is missing"},
        UsageCase{"NoYFile", {"-x", "x", "-a", "A=a", "-o", "o"}, "Y axys file is missing"},
        UsageCase{"NoAttribute", {"-x", "x", "-y", "y", "-o", "o"}, "no attribute"},
        UsageCase{"NoOutput", {"-x", "x", "-y", "y", "-a", "A=a"}, "output shape file is missing"},
        UsageCase{"UnknownType", With(Minimal(), {"-t", "line"}), "unknown shape type 'line'"},
        UsageCase{"AttributeWithoutEquals", With(Minimal(), {"-a", "Temp"}), "has no '='"},
        UsageCase{"AttributeWithoutName", With(Minimal(), {"-a", "=t.dat"}), "no name"},
        UsageCase{"AttributeWithoutFile", With(Minimal(), {"-a", "Temp="}), "no file"},
        UsageCase{"UnknownShortOption", With(Minimal(), {"-z"}), "unknown option '-z'"},
        UsageCase{"UnknownLongOption", With(Minimal(), {"--output-folder=o"}),
                  "unknown option '--output-folder'"},
        UsageCase{"MissingValue", With(Minimal(), {"-t"}), "needs a value"},
        UsageCase{"ValueForAFlag", With(Minimal(), {"--quiet=yes"}), "takes no value"},
        UsageCase{"PositionalArgument", With(Minimal(), {"extra.dat"}),
                  "unexpected argument 'extra.dat'"},
        UsageCase{"RepeatedOption", With(Minimal(), {"-x", "other.dat"}), "more than once"},
        UsageCase{"EmptyValue", {"-x", "", "-y", "y", "-a", "A=a", "-o", "o"}, "non-empty value"},
        UsageCase{"OutputWithoutName",
                  {"-x", "x", "-y", "y", "-a", "A=a", "-o", "maps/"},
                  "names no file"}),
    [](const ::testing::TestParamInfo<UsageCase>& param) { return param.param.name; });

}  // namespace
}  // namespace tesselar

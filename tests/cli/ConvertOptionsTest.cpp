#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

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

Arguments FiftyAttributes() {
    Arguments arguments = Minimal();
    for (int k = 2; k <= 50; ++k) {
        arguments.insert(arguments.end(), {"-a", "A" + std::to_string(k) + "=f"});
    }
    return arguments;
}

// Every field of the options on one line, so that a table row states them all.
std::string Described(const ConvertOptions& options) {
    std::ostringstream text;
    text << static_cast<int>(options.action) << " x=" << options.xFile << " y=" << options.yFile
         << " a=";
    for (const auto& [name, file] : options.attributes) {
        text << name << ':' << file << ',';
    }
    text << " o=" << options.shpPath << '|' << options.shapeFolder << '|' << options.shapeFileName
         << ' ' << ShapeTypeText(options.shapeType) << (options.quiet ? " quiet" : "");
    const ConversionOptions& conversion = options.conversion;
    text << (conversion.crs ? " crs=" + *conversion.crs : "")
         << (conversion.keepDigits ? " keep-digits" : "")
         << (conversion.columns.fitColumns ? " fit-columns" : "")
         << (conversion.columns.cellIndex ? " cell-index" : "");
    if (conversion.columns.noData) {
        text << " nodata=" << std::setprecision(17) << *conversion.columns.noData;
    }
    return text.str();
}

struct AcceptedCase {
    std::string name;
    Arguments arguments;
    std::string described;  // as Described() gives it
};

void PrintTo(const AcceptedCase& acceptedCase, std::ostream* out) {
    *out << acceptedCase.name;
}

class ConvertOptionsTest : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(ConvertOptionsTest, Reads) {
    EXPECT_EQ(Described(ParseConvertOptions(GetParam().arguments)), GetParam().described);
}

const std::string kFifty = [] {
    std::string attributes = "Temp:t.dat,";
    for (int k = 2; k <= 50; ++k) {
        attributes += "A" + std::to_string(k) + ":f,";
    }
    return "0 x=x.dat y=y.dat a=" + attributes + " o=out/a.shp|out|a Polygon";
}();

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertOptionsTest,
    ::testing::Values(
        AcceptedCase{"ShortOptionsWithPolygonAsTheDefault", Minimal(),
                     "0 x=x.dat y=y.dat a=Temp:t.dat, o=out/a.shp|out|a Polygon"},
        AcceptedCase{"LongOptionsWithTheValueApartOrAfterAnEqualsSign",
                     {"--x-file=x.dat", "--y-file", "y.dat", "--attribute=Depth=d=1.dat",
                      "--attribute", "Age=a.dat", "--output=drifters", "--type=POINT", "--quiet"},
                     "0 x=x.dat y=y.dat a=Depth:d=1.dat,Age:a.dat, o=drifters.shp|.|drifters "
                     "Point quiet"},
        AcceptedCase{"ValuesJoinedToShortOptionsOrBeginningWithADash",
                     {"-x-x.dat", "-y", "-y.dat", "-aT=t", "-tpoint", "-o", "-"},
                     "0 x=-x.dat y=-y.dat a=T:t, o=-.shp|.|- Point"},
        AcceptedCase{"OutputWithItsExtensionInAnyCase",
                     {"-x", "x", "-y", "y", "-a", "A=a", "-o", "maps/Lagoon.SHP"},
                     "0 x=x y=y a=A:a, o=maps/Lagoon.SHP|maps|Lagoon Polygon"},
        AcceptedCase{"OutputInTheRootWithAnotherExtension",
                     {"-x", "x", "-y", "y", "-a", "A=a", "-o", "/lagoon.dat"},
                     "0 x=x y=y a=A:a, o=/lagoon.dat.shp|/|lagoon.dat Polygon"},
        AcceptedCase{"FiftyAttributesInTheOrderGiven", FiftyAttributes(), kFifty},
        // The no-data value is rounded as the values are: to hundredths, halves to even.
        AcceptedCase{"GisOptionsWithNoDataRoundedAsTheValues",
                     With(Minimal(), {"--nodata", "-9999.005", "--crs", "epsg:4326",
                                      "--fit-columns", "--cell-index"}),
                     "0 x=x.dat y=y.dat a=Temp:t.dat, o=out/a.shp|out|a Polygon crs=epsg:4326 "
                     "fit-columns cell-index nodata=-9999"},
        AcceptedCase{"NoDataKeepsItsDigitsWithTheValues",
                     With(Minimal(), {"--nodata=1.015", "--keep-digits", "--crs", "none"}),
                     "0 x=x.dat y=y.dat a=Temp:t.dat, o=out/a.shp|out|a Polygon crs=none "
                     "keep-digits nodata=1.0149999999999999"},
        AcceptedCase{"HelpNeedsNothingElse", {"--help", "--bogus"}, "1 x= y= a= o=|| Polygon"},
        AcceptedCase{"ShortHelp", {"-h"}, "1 x= y= a= o=|| Polygon"},
        AcceptedCase{
            "VersionNeedsNothingElse", {"-q", "--version"}, "2 x= y= a= o=|| Polygon quiet"}),
    [](const ::testing::TestParamInfo<AcceptedCase>& param) { return param.param.name; });

struct UsageCase {
    std::string name;
    Arguments arguments;
    std::string reason;  // the whole message
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
        EXPECT_EQ(std::string(error.what()), GetParam().reason);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertUsageErrorTest,
    ::testing::Values(
        UsageCase{"NoArguments", {}, "the X axys file is missing: give it with -x X_FILE"},
        UsageCase{"NoXFile",
                  {"-y", "y", "-a", "A=a", "-o", "o"},
                  "the X axys file is missing: give it with -x X_FILE"},
        UsageCase{"NoYFile",
                  {"-x", "x", "-a", "A=a", "-o", "o"},
                  "the Y axys file is missing: give it with -y Y_FILE"},
        UsageCase{"NoAttribute",
                  {"-x", "x", "-y", "y", "-o", "o"},
                  "no attribute: give at least one with -a NAME=FILE"},
        UsageCase{"NoOutput",
                  {"-x", "x", "-y", "y", "-a", "A=a"},
                  "the output shape file is missing: give it with -o OUTPUT"},
        UsageCase{"UnknownType", With(Minimal(), {"-t", "line"}),
                  "unknown shape type 'line': use polygon or point"},
        UsageCase{"AttributeWithoutEquals", With(Minimal(), {"-a", "Temp"}),
                  "attribute 'Temp' has no '=': give it as NAME=FILE"},
        UsageCase{"AttributeWithoutName", With(Minimal(), {"-a", "=t.dat"}),
                  "attribute '=t.dat' has no name before the '='"},
        UsageCase{"AttributeWithoutFile", With(Minimal(), {"-a", "Temp="}),
                  "attribute 'Temp=' has no file after the '='"},
        UsageCase{"FiftyOneAttributes", With(FiftyAttributes(), {"-a", "A51=f"}),
                  "too many attributes: a shape file takes at most 50"},
        UsageCase{"UnknownShortOption", With(Minimal(), {"-z"}), "unknown option '-z'"},
        UsageCase{"CoordinateSystemUnknownToProj", With(Minimal(), {"--crs", "EPSG:999999"}),
                  "option --crs: Coordinate system 'EPSG:999999': PROJ cannot read it as a "
                  "coordinate system: proj_create: crs not found"},
        UsageCase{"NoDataNotANumber", With(Minimal(), {"--nodata", "nan"}),
                  "option --nodata: 'nan' is not a number"},
        UsageCase{"NoDataWithTextAfterIt", With(Minimal(), {"--nodata=-99x"}),
                  "option --nodata: '-99x' is not a number"},
        UsageCase{"UnknownLongOption", With(Minimal(), {"--output-folder=o"}),
                  "unknown option '--output-folder'"},
        UsageCase{"UnknownOptionBeforeAMissingOne", {"--bogus"}, "unknown option '--bogus'"},
        UsageCase{"MissingValue", With(Minimal(), {"-t"}), "option -t (--type) needs a value"},
        UsageCase{"MissingValueAfterAnEqualsSign", With(Minimal(), {"--type="}),
                  "option -t (--type) needs a value"},
        UsageCase{"ValueForAFlag", With(Minimal(), {"--quiet=yes"}),
                  "option -q (--quiet) takes no value"},
        UsageCase{"PositionalArgument", With(Minimal(), {"extra.dat"}),
                  "unexpected argument 'extra.dat'"},
        UsageCase{"RepeatedOption", With(Minimal(), {"--x-file", "other.dat"}),
                  "option -x (--x-file) is given more than once"},
        UsageCase{"EmptyValue",
                  {"-x", "", "-y", "y", "-a", "A=a", "-o", "o"},
                  "option -x (--x-file) needs a non-empty value"},
        UsageCase{"OutputWithoutName",
                  {"-x", "x", "-y", "y", "-a", "A=a", "-o", "maps/"},
                  "output 'maps/' names no file"}),
    [](const ::testing::TestParamInfo<UsageCase>& param) { return param.param.name; });

// The help as the README shows it, laid out by hand: the option declarations must render it.
TEST(ConvertHelpTest, ListsEveryOptionUnderTheSynopsis) {
    EXPECT_EQ(ConvertSynopsis(),
              "Usage: tesselar-convert -x X_FILE -y Y_FILE -a NAME=FILE [-a NAME=FILE ...] "
              "-o OUTPUT [-t polygon|point] [-q] [--crs CRS] [--keep-digits] [--fit-columns] "
              "[--nodata VALUE] [--cell-index]\n");
    EXPECT_EQ(ConvertHelp(),
              ConvertSynopsis() +
                  "\n"
                  "Converts a Nerasco grid into a polygon shape file (one polygon per cell), or "
                  "a set of\n"
                  "particles into a point shape file, with one numeric column per attribute.\n"
                  "\n"
                  "Options:\n"
                  "  -x, --x-file X_FILE        X axys file: the X coordinate of every node or "
                  "particle\n"
                  "  -y, --y-file Y_FILE        Y axys file: the Y coordinates, in the same order\n"
                  "  -a, --attribute NAME=FILE  a column NAME with the values of FILE, one per "
                  "cell or\n"
                  "                             particle; 1 to 50 of them, in column order\n"
                  "  -o, --output OUTPUT        the shape file to write; \".shp\" is added when "
                  "missing\n"
                  "  -t, --type polygon|point   polygon (the default): one polygon per grid "
                  "cell;\n"
                  "                             point: one point per particle\n"
                  "  -q, --quiet                print nothing but errors and warnings\n"
                  "      --crs CRS              the coordinate system written as the .prj: "
                  "EPSG:<code>, a\n"
                  "                             .prj or WKT file, WKT text, or none for no .prj; "
                  "without\n"
                  "                             it, the .prj beside X_FILE (grid_x.prj for "
                  "grid_x.dat), if any\n"
                  "      --keep-digits          every value keeps the digits read instead of "
                  "being rounded\n"
                  "                             to 2 decimals\n"
                  "      --fit-columns          each attribute column as wide, with as many "
                  "decimals, as\n"
                  "                             its values need (at most 19 characters)\n"
                  "      --nodata VALUE         attribute values equal to VALUE (after rounding, "
                  "as the\n"
                  "                             values) are written as null\n"
                  "      --cell-index           integer columns I and J (the cell's i and j, from "
                  "1; I the\n"
                  "                             particle's number for points) before the "
                  "attributes\n"
                  "  -h, --help                 show this help and exit\n"
                  "      --version              show the version and exit\n");
}

}  // namespace
}  // namespace tesselar

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
    // The coordinate system read: the start of its ESRI WKT, or "none".
    text << (conversion.crs ? " crs=" + conversion.crs->esriWkt.value_or("none").substr(0, 20) : "")
         << (conversion.keepDigits ? " keep-digits" : "")
         << (conversion.columns.fitColumns ? " fit-columns" : "")
         << (conversion.columns.cellIndex ? " cell-index" : "");
    if (conversion.columns.noData) {
        text << " nodata=" << std::setprecision(17) << *conversion.columns.noData;
    }
    return text.str();
}

TEST(ConvertOptionsTest, ReadsEveryOptionInEachSpelling) {
    const std::pair<Arguments, std::string> cases[] = {
        {Minimal(), "0 x=x.dat y=y.dat a=Temp:t.dat, o=out/a.shp|out|a Polygon"},
        {{"--x-file=x.dat", "--y-file", "y.dat", "--attribute=Depth=d=1.dat", "--attribute",
          "Age=a.dat", "--output=drifters", "--type=POINT", "--quiet"},
         "0 x=x.dat y=y.dat a=Depth:d=1.dat,Age:a.dat, o=drifters.shp|.|drifters Point quiet"},
        {{"-x-x.dat", "-y", "-y.dat", "-aT=t", "-tpoint", "-o", "-"},
         "0 x=-x.dat y=-y.dat a=T:t, o=-.shp|.|- Point"},
        {{"-x", "x", "-y", "y", "-a", "A=a", "-o", "maps/Lagoon.SHP"},
         "0 x=x y=y a=A:a, o=maps/Lagoon.SHP|maps|Lagoon Polygon"},
        {{"-x", "x", "-y", "y", "-a", "A=a", "-o", "/lagoon.dat"},
         "0 x=x y=y a=A:a, o=/lagoon.dat.shp|/|lagoon.dat Polygon"},
        // The no-data value is rounded as the values are: to hundredths, halves to even.
        {With(Minimal(),
              {"--nodata", "-9999.005", "--crs", "epsg:4326", "--fit-columns", "--cell-index"}),
         "0 x=x.dat y=y.dat a=Temp:t.dat, o=out/a.shp|out|a Polygon crs=GEOGCS[\"GCS_WGS_1984 "
         "fit-columns "
         "cell-index nodata=-9999"},
        {With(Minimal(), {"--nodata=1.015", "--keep-digits", "--crs", "none"}),
         "0 x=x.dat y=y.dat a=Temp:t.dat, o=out/a.shp|out|a Polygon crs=none keep-digits "
         "nodata=1.0149999999999999"},
        {{"--help", "--bogus"}, "1 x= y= a= o=|| Polygon"},
        {{"-q", "--version"}, "2 x= y= a= o=|| Polygon quiet"},
    };
    for (const auto& [arguments, described] : cases) {
        EXPECT_EQ(Described(ParseConvertOptions(arguments)), described);
    }
    // Fifty attributes, in the order given.
    const auto fifty = ParseConvertOptions(FiftyAttributes()).attributes;
    ASSERT_EQ(fifty.size(), 50u);
    EXPECT_EQ(fifty[49], (std::pair<std::string, std::string>{"A50", "f"}));
}

TEST(ConvertOptionsTest, RefusesWrongCommandLinesWithAReason) {
    const std::pair<Arguments, std::string> cases[] = {
        {{}, "the X axys file is missing: give it with -x X_FILE"},
        {{"-x", "x", "-a", "A=a", "-o", "o"}, "the Y axys file is missing: give it with -y Y_FILE"},
        {{"-x", "x", "-y", "y", "-o", "o"}, "no attribute: give at least one with -a NAME=FILE"},
        {{"-x", "x", "-y", "y", "-a", "A=a"},
         "the output shape file is missing: give it with -o OUTPUT"},
        {With(Minimal(), {"-t", "line"}), "unknown shape type 'line': use polygon or point"},
        {With(Minimal(), {"-a", "Temp"}), "attribute 'Temp' has no '=': give it as NAME=FILE"},
        {With(Minimal(), {"-a", "=t.dat"}), "attribute '=t.dat' has no name before the '='"},
        {With(Minimal(), {"-a", "Temp="}), "attribute 'Temp=' has no file after the '='"},
        {With(FiftyAttributes(), {"-a", "A51=f"}),
         "too many attributes: a shape file takes at most 50"},
        {With(Minimal(), {"-z"}), "unknown option '-z'"},
        {With(Minimal(), {"--crs", "EPSG:999999"}),
         "option --crs: Coordinate system 'EPSG:999999': PROJ cannot read it as a coordinate "
         "system: proj_create: crs not found"},
        {With(Minimal(), {"--nodata", "nan"}), "option --nodata: 'nan' is not a number"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {With(Minimal(), {"--type="}), "option -t (--type) needs a value"},
        {With(Minimal(), {"--quiet=yes"}), "option -q (--quiet) takes no value"},
        {{"--help=all"}, "option -h (--help) takes no value"},
        {With(Minimal(), {"extra.dat"}), "unexpected argument 'extra.dat'"},
        {With(Minimal(), {"--x-file", "other.dat"}),
         "option -x (--x-file) is given more than once"},
        {{"-x", "", "-y", "y", "-a", "A=a", "-o", "o"},
         "option -x (--x-file) needs a non-empty value"},
        {{"-x", "x", "-y", "y", "-a", "A=a", "-o", "maps/"}, "output 'maps/' names no file"},
        {With(Minimal(), {"--time", "2024-01-01"}),
         "option --time: '2024-01-01' is not an ISO 8601 date-time such as "
         "2024-01-01T00:00:00Z"},
        {With(Minimal(), {"--time", "2024-01-01T00:00", "--time-step", "P1Y"}),
         "option --time-step: 'P1Y' is not a duration such as PT1H, PT30M, P1D or 3600 "
         "(seconds)"},
        {With(Minimal(), {"--time-step", "PT1H"}),
         "option --time-step needs --time START, the first step's time"},
        {With(Minimal(), {"--time", "2024-01-01T00:00", "--times", "t.txt"}),
         "options --time and --times exclude each other: give the times as a start and a step, "
         "or one per line in a file"},
    };
    for (const auto& [arguments, reason] : cases) {
        try {
            ParseConvertOptions(arguments);
            ADD_FAILURE() << "no UsageError for " << reason;
        } catch (const UsageError& error) {
            EXPECT_EQ(std::string(error.what()), reason);
        }
    }
}

// The synopsis as the usage error shows it; the help lists every option under it.
TEST(ConvertHelpTest, ListsEveryOptionUnderTheSynopsis) {
    EXPECT_EQ(ConvertSynopsis(),
              "Usage: tesselar-convert -x X_FILE -y Y_FILE -a NAME=FILE [-a NAME=FILE ...] "
              "-o OUTPUT [-t polygon|point] [-q] [--crs CRS] [--keep-digits] [--fit-columns] "
              "[--nodata VALUE] [--cell-index] [--layer NAME] [--time START] "
              "[--time-step DURATION] [--times FILE]\n");
    EXPECT_EQ(ConvertHelp().rfind(ConvertSynopsis() + "\n", 0), 0u);
    // Each option with its value at the start of a line, its description in one column.
    for (const char* option :
         {"\n  -x, --x-file X_FILE        X", "\n  -y, --y-file Y_FILE        Y",
          "\n  -a, --attribute NAME=FILE  a", "\n  -o, --output OUTPUT        t",
          "\n  -t, --type polygon|point   p", "\n  -q, --quiet                p",
          "\n      --crs CRS              t", "\n      --keep-digits          e",
          "\n      --fit-columns          e", "\n      --nodata VALUE         a",
          "\n      --cell-index           i", "\n      --layer NAME           t",
          "\n      --time START           t", "\n      --time-step DURATION   t",
          "\n      --times FILE           e", "\n  -h, --help                 s",
          "\n      --version              show the version and exit\n"}) {
        EXPECT_NE(ConvertHelp().find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace tesselar

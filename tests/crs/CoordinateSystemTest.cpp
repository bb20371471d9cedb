#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "crs/CoordinateSystem.h"
#include "crs/CoordinateSystemError.h"
#include "crs/ProjectionFile.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

using test::TempDir;
using ::testing::HasSubstr;

// What `command` prints on stdout; fails the test when it does not succeed.
std::string Output(const std::string& command) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(popen(command.c_str(), "r"),
                                                               &pclose);
    std::string output;
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
        output.append(buffer, n);
    }
    EXPECT_TRUE(pipe) << command;
    return output;
}

// The coordinate system `definition` as GDAL writes it in `format` (wkt2, wkt_esri).
std::string GdalText(const std::string& format, const std::string& definition) {
    return Output(std::string(TESSELAR_GDALSRSINFO) + " -o " + format + " '" + definition + "'");
}

// The EPSG code that GDAL identifies for the .prj text `wkt`, as "EPSG:<code>".
std::string GdalEpsg(const TempDir& folder, const std::string& wkt) {
    const std::string prj = folder.Write("identify.prj", wkt);
    const std::string output = Output(std::string(TESSELAR_GDALSRSINFO) + " -e -o epsg " + prj);
    const auto begin = output.find_first_not_of("\n");
    return begin == std::string::npos ? "" : output.substr(begin, output.find('\n', begin) - begin);
}

TEST(EsriWktTest, GdalIdentifiesTheCodeOfEveryFormGiven) {
    for (const int code : {4326, 25829, 32633, 3857}) {
        const TempDir folder;
        const std::string epsg = "EPSG:" + std::to_string(code);
        const std::string wkt2 = GdalText("wkt2", epsg);
        const std::string esri = GdalText("wkt_esri", epsg);
        const std::vector<std::pair<std::string, std::string>> forms = {
            {"code", epsg},
            {"lower-case code", "epsg:" + std::to_string(code)},
            {"WKT2 text", wkt2},
            {"WKT2 file", folder.Write("wkt2.txt", wkt2)},
            {".prj file", folder.Write("esri.prj", esri)},
        };
        for (const auto& [form, text] : forms) {
            SCOPED_TRACE(epsg + " as " + form);
            const std::string result = EsriWkt(text);
            EXPECT_EQ(result.find('\n'), std::string::npos);
            EXPECT_EQ(GdalEpsg(folder, result), epsg);
        }
        folder.Write("grid_x.prj", esri);
        const auto fromSidecar = OutputProjection(std::nullopt, folder / "grid_x.dat");
        ASSERT_TRUE(fromSidecar) << epsg;
        EXPECT_EQ(GdalEpsg(folder, *fromSidecar), epsg) << "from the sidecar";
    }
}

TEST(OutputProjectionTest, OptionBeforeSidecarAndNoneMeansNoPrj) {
    struct Case {
        std::optional<std::string> option;
        std::string xAxysFile;
        std::string sidecar;   // written with the ESRI WKT of EPSG:25829; "" for none
        std::string expected;  // "" for no .prj
    };
    const std::vector<Case> cases = {
        {std::nullopt, "grid_x.dat", "", ""},
        {std::nullopt, "grid_x.dat", "grid_x.prj", "EPSG:25829"},
        {std::nullopt, "grid_x.dat", "grid_x.PRJ", "EPSG:25829"},
        {std::nullopt, "grid.x.dat", "grid.x.prj", "EPSG:25829"},
        {std::nullopt, "grid_x", "grid_x.prj", "EPSG:25829"},
        {std::nullopt, "grid_x.dat", "grid_x.dat.prj", ""},
        {"EPSG:32633", "grid_x.dat", "grid_x.prj", "EPSG:32633"},
        {"none", "grid_x.dat", "grid_x.prj", ""},
        {"none", "grid_x.dat", "", ""},
    };
    const std::string esri = GdalText("wkt_esri", "EPSG:25829");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option.value_or("(no option)") + ", " + c.xAxysFile + ", " + c.sidecar);
        const TempDir folder;
        if (!c.sidecar.empty()) {
            folder.Write(c.sidecar, esri);
        }
        const auto wkt = OutputProjection(c.option, folder / c.xAxysFile);
        EXPECT_EQ(wkt ? GdalEpsg(folder, *wkt) : "", c.expected);
    }
}

TEST(OutputProjectionTest, ShippedExamplesHaveSidecarsOfTheirHeadersCode) {
    const TempDir folder;
    for (const char* xAxysFile : {"grid_x.dat", "particles_x.dat"}) {
        SCOPED_TRACE(xAxysFile);
        const std::filesystem::path path = std::filesystem::path(TESSELAR_EXAMPLES) / xAxysFile;
        EXPECT_THAT(test::ReadBytes(path.string()),
                    HasSubstr("Coordinate system: ETRS89 / UTM zone 29N (EPSG:25829), metres\n"));
        const auto wkt = OutputProjection(std::nullopt, path);
        ASSERT_TRUE(wkt);
        EXPECT_EQ(GdalEpsg(folder, *wkt), "EPSG:25829");
    }
}

TEST(OutputProjectionTest, RefusesWhatProjCannotReadNamingItAndTheReason) {
    const TempDir folder;
    const std::string garbage = folder.Write("garbage.prj", "PROJCS[\"nothing\",GEOGCS[");
    folder.Write("empty.prj", " \n");
    folder.Write("bad_x.prj", "not a coordinate system");
    struct Case {
        std::optional<std::string> option;
        std::string xAxysFile;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"EPSG:999999",
         "",
         {"Coordinate system 'EPSG:999999': PROJ cannot read it", "crs not found"}},
        {"PROJCS[\"nothing\",GEOGCS[",
         "",
         {"Coordinate system 'PROJCS[\"nothing\",GEOGCS[': PROJ cannot read it"}},
        {"PROJCS[\"" + std::string(200, 'x'),
         "",
         {"Coordinate system 'PROJCS[\"" + std::string(69, 'x') + "...': PROJ cannot read it"}},
        {"ELLIPSOID[\"GRS 1980\",6378137,298.257222101]",
         "",
         {"PROJ reads it as 'GRS 1980', which is not a coordinate system"}},
        {"nowhere.prj",
         "",
         {"Coordinate system file 'nowhere.prj': cannot open the file: No such file or"}},
        {folder.Path().string(),
         "",
         {"Coordinate system file '" + folder.Path().string() + "': cannot read the file: Is a"}},
        {garbage, "", {"Coordinate system file '" + garbage + "': PROJ cannot read it"}},
        {folder / "empty.prj", "", {"empty.prj': the file is empty"}},
        {std::nullopt,
         folder / "bad_x.dat",
         {"Coordinate system file '" + folder / "bad_x.prj" + "': PROJ cannot read it"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option.value_or(c.xAxysFile));
        try {
            OutputProjection(c.option, c.xAxysFile);
            ADD_FAILURE() << "accepted";
        } catch (const CoordinateSystemError& error) {
            for (const std::string& part : c.expected) {
                EXPECT_THAT(error.what(), HasSubstr(part));
            }
        }
    }
}

}  // namespace
}  // namespace tesselar

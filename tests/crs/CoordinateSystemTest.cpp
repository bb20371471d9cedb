#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "crs/CoordinateSystem.h"
#include "crs/CoordinateSystemError.h"
#include "crs/ProjectionFile.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

using test::TempDir;
using ::testing::HasSubstr;

// What gdalsrsinfo prints on stdout given `arguments`.
std::string GdalSrsInfo(const std::string& arguments) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(
        popen((TESSELAR_GDALSRSINFO " " + arguments).c_str(), "r"), &pclose);
    std::string output(1 << 16, '\0');
    output.resize(pipe ? std::fread(output.data(), 1, output.size(), pipe.get()) : 0);
    return output;
}

// The coordinate system `definition` as GDAL writes it in `format` (wkt2, wkt_esri).
std::string GdalText(const std::string& format, const std::string& definition) {
    return GdalSrsInfo("-o " + format + " '" + definition + "'");
}

// The EPSG code that GDAL identifies for the .prj text `wkt`, as "EPSG:<code>".
std::string GdalEpsg(const TempDir& folder, const std::string& wkt) {
    std::string epsg;
    std::istringstream(GdalSrsInfo("-e -o epsg " + folder.Write("identify.prj", wkt))) >> epsg;
    return epsg;
}

TEST(EsriWktTest, GdalIdentifiesTheCodeOfEveryFormGiven) {
    for (const int code : {4326, 25829, 32633, 3857}) {
        const TempDir folder;
        const std::string epsg = "EPSG:" + std::to_string(code);
        const std::string wkt2 = GdalText("wkt2", epsg);
        // The code, in lower case, WKT2 text, a WKT2 file and a .prj file.
        for (const std::string& text :
             {epsg, "epsg:" + std::to_string(code), wkt2, folder.Write("wkt2.txt", wkt2),
              folder.Write("esri.prj", GdalText("wkt_esri", epsg))}) {
            SCOPED_TRACE(epsg + " as " + text.substr(0, 30));
            const std::string result = EsriWkt(text);
            EXPECT_EQ(result.find('\n'), std::string::npos);
            EXPECT_EQ(GdalEpsg(folder, result), epsg);
        }
    }
}

// The option comes before a sidecar; the shipped examples' sidecars give EPSG:25829.
TEST(OutputProjectionTest, OptionBeforeSidecarAndNoneMeansNoPrj) {
    // The sidecar is written with the ESRI WKT of EPSG:25829; "" for none, or for no .prj.
    const std::tuple<std::optional<std::string>, std::string, std::string, std::string> cases[] = {
        {std::nullopt, "grid_x.dat", "", ""},
        {std::nullopt, "grid_x.dat", "grid_x.prj", "EPSG:25829"},
        {std::nullopt, "grid_x.dat", "grid_x.PRJ", "EPSG:25829"},
        {std::nullopt, "grid.x.dat", "grid.x.prj", "EPSG:25829"},
        {std::nullopt, "grid_x", "grid_x.prj", "EPSG:25829"},
        {std::nullopt, "grid_x.dat", "grid_x.dat.prj", ""},
        {"EPSG:32633", "grid_x.dat", "grid_x.prj", "EPSG:32633"},
        {"none", "grid_x.dat", "grid_x.prj", ""},
        {std::nullopt, TESSELAR_EXAMPLES "/grid_x.dat", "", "EPSG:25829"},
        {std::nullopt, TESSELAR_EXAMPLES "/particles_x.dat", "", "EPSG:25829"},
    };
    const std::string esri = GdalText("wkt_esri", "EPSG:25829");
    for (const auto& [option, xAxysFile, sidecar, expected] : cases) {
        SCOPED_TRACE(option.value_or("(no option)") + ", " + xAxysFile + ", " + sidecar);
        const TempDir folder;
        if (!sidecar.empty()) {
            folder.Write(sidecar, esri);
        }
        const auto wkt = OutputProjection(option, (folder.Path() / xAxysFile).string());
        EXPECT_EQ(wkt ? GdalEpsg(folder, *wkt) : "", expected);
    }
}

TEST(OutputProjectionTest, RefusesWhatProjCannotReadNamingItAndTheReason) {
    const TempDir folder;
    const std::string garbage = folder.Write("garbage.prj", "PROJCS[\"nothing\",GEOGCS[");
    folder.Write("empty.prj", " \n");
    folder.Write("bad_x.prj", "not a coordinate system");
    const std::string dir = folder.Path().string();
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {"EPSG:999999",
         "'EPSG:999999': PROJ cannot read it as a coordinate system: proj_create: crs not found"},
        {"PROJCS[\"nothing\",GEOGCS[", "'PROJCS[\"nothing\",GEOGCS[': PROJ cannot read it"},
        {"PROJCS[\"" + std::string(200, 'x'),
         "'PROJCS[\"" + std::string(69, 'x') + "...': PROJ cannot read it"},
        {"ELLIPSOID[\"GRS 1980\",6378137,298.257222101]",
         "'ELLIPSOID[\"GRS 1980\",6378137,298.257222101]': PROJ reads it as 'GRS 1980', which "
         "is not a coordinate system"},
        {"nowhere.prj", "file 'nowhere.prj': cannot open the file: No such file or"},
        {dir, "file '" + dir + "': cannot read the file: Is a"},
        {garbage, "file '" + garbage + "': PROJ cannot read it"},
        {dir + "/empty.prj", "file '" + dir + "/empty.prj': the file is empty"},
        {std::nullopt, "file '" + dir + "/bad_x.prj': PROJ cannot read it"},
    };
    for (const auto& [option, expected] : cases) {
        SCOPED_TRACE(option.value_or("sidecar"));
        EXPECT_THAT([&] { OutputProjection(option, dir + "/bad_x.dat"); },
                    testing::ThrowsMessage<CoordinateSystemError>(
                        HasSubstr("Coordinate system " + expected)));
    }
}

}  // namespace
}  // namespace tesselar

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "conversion/ConversionError.h"
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
        // The code, in lower case, as a URN, WKT2 text, a WKT2 file and a .prj file.
        for (const std::string& text :
             {epsg, "epsg:" + std::to_string(code), "urn:ogc:def:crs:EPSG::" + std::to_string(code),
              wkt2, folder.Write("wkt2.txt", wkt2),
              folder.Write("esri.prj", GdalText("wkt_esri", epsg))}) {
            SCOPED_TRACE(epsg + " as " + text.substr(0, 30));
            const std::string result = EsriWkt(text);
            EXPECT_EQ(result.find('\n'), std::string::npos);
            EXPECT_EQ(GdalEpsg(folder, result), epsg);
        }
    }
}

// Whatever PROJ reads as a coordinate system with a horizontal part, heights too, gives a .prj
// that GDAL reads as the same coordinate system as the text given: the same PROJ string, or for
// heights, which a PROJ string tells by a geoid model a .prj does not name, the same .prj.
TEST(EsriWktTest, GdalReadsOtherAuthoritiesAndProjStringsAsGiven) {
    const std::pair<std::string, std::string> cases[] = {
        {"ESRI:102100", "proj4"},
        {"OGC:CRS84", "proj4"},
        {"+proj=utm +zone=29 +ellps=GRS80 +units=m +no_defs", "proj4"},
        {"+proj=longlat +datum=WGS84 +type=crs", "proj4"},
        {"EPSG:25829+5773", "wkt_esri --single-line"},
    };
    for (const auto& [text, format] : cases) {
        SCOPED_TRACE(text);
        const TempDir folder;
        const std::string prj = folder.Write("given.prj", EsriWkt(text));
        EXPECT_EQ(GdalSrsInfo("-o " + format + " " + prj), GdalText(format, text));
    }
}

// A file named as the option is read when it exists, even a pipe, once: here the read end of a
// pipe written in full before.
TEST(EsriWktTest, ReadsAPipeOnceAndStopsWaitingForAFifoWhenAsked) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::string esri = GdalText("wkt_esri", "EPSG:25829");
    ASSERT_EQ(write(ends[1], esri.data(), esri.size()), static_cast<ssize_t>(esri.size()));
    close(ends[1]);
    const TempDir folder;
    EXPECT_EQ(GdalEpsg(folder, EsriWkt("/dev/fd/" + std::to_string(ends[0]))), "EPSG:25829");
    close(ends[0]);

    // No program writes to the FIFO: only a stop ends the wait.
    const std::string fifo = folder / "crs.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const volatile std::sig_atomic_t signal = SIGTERM;
    EXPECT_THAT([&] { EsriWkt(fifo, StopRequest(signal)); },
                testing::ThrowsMessage<Interrupted>(
                    "interrupted by SIGTERM while reading the coordinate system file '" + fifo +
                    "'; no shape file was written"));
}

// The option comes before a sidecar; the shipped examples' sidecars give EPSG:25829. Without
// either, and when two sidecars differ, a warning says so.
TEST(OutputProjectionTest, OptionBeforeSidecarAndNoneMeansNoPrj) {
    const std::string esri = GdalText("wkt_esri", "EPSG:25829");
    const std::string noPrj = "no coordinate system was given, so the shapefile has no .prj";
    const std::string twoSidecars = "the X axys file has two sidecars that differ";
    // The sidecars hold the ESRI WKT of EPSG:25829 ("+": EPSG:4326 in the second); "" for none.
    const std::tuple<std::optional<std::string>, std::string, std::vector<std::string>, std::string,
                     std::string>
        cases[] = {
            {std::nullopt, "grid_x.dat", {}, "", noPrj},
            {std::nullopt, "grid_x.dat", {"grid_x.prj"}, "EPSG:25829", ""},
            {std::nullopt, "grid_x.dat", {"grid_x.PRJ"}, "EPSG:25829", ""},
            {std::nullopt, "grid_x.dat", {"grid_x.prj", "grid_x.PRJ"}, "EPSG:25829", ""},
            {std::nullopt, "grid_x.dat", {"grid_x.prj", "+grid_x.PRJ"}, "EPSG:25829", twoSidecars},
            {std::nullopt, "grid.x.dat", {"grid.x.prj"}, "EPSG:25829", ""},
            {std::nullopt, "grid_x", {"grid_x.prj"}, "EPSG:25829", ""},
            {std::nullopt, "grid_x.dat", {"grid_x.dat.prj"}, "", noPrj},
            {"EPSG:32633", "grid_x.dat", {"grid_x.prj"}, "EPSG:32633", ""},
            {"EPSG:32633", "grid_x.dat", {}, "EPSG:32633", ""},
            {"none", "grid_x.dat", {"grid_x.prj"}, "", ""},
            {"none", "grid_x.dat", {}, "", ""},
            {std::nullopt, TESSELAR_EXAMPLES "/grid_x.dat", {}, "EPSG:25829", ""},
            {std::nullopt, TESSELAR_EXAMPLES "/particles_x.dat", {}, "EPSG:25829", ""},
        };
    const std::string other = GdalText("wkt_esri", "EPSG:4326");
    for (const auto& [option, xAxysFile, sidecars, expected, warning] : cases) {
        SCOPED_TRACE(option.value_or("(no option)") + ", " + xAxysFile + ", " +
                     std::to_string(sidecars.size()) + " sidecars");
        const TempDir folder;
        for (const std::string& sidecar : sidecars) {
            if (sidecar.starts_with('+')) {
                folder.Write(sidecar.substr(1), other);
            } else {
                folder.Write(sidecar, esri);
            }
        }
        std::optional<GivenCoordinateSystem> given;
        if (option) {
            given = ReadCoordinateSystemOption(*option);
        }
        const auto projection = ChooseOutputProjection(given, folder / xAxysFile);
        EXPECT_EQ(projection.esriWkt ? GdalEpsg(folder, *projection.esriWkt) : "", expected);
        ASSERT_EQ(projection.warnings.size(), warning.empty() ? 0u : 1u);
        if (!warning.empty()) {
            EXPECT_THAT(projection.warnings[0], testing::StartsWith(warning));
        }
    }
}

TEST(OutputProjectionTest, WarningsNameTheSidecars) {
    const TempDir folder;
    folder.Write("grid_x.prj", GdalText("wkt_esri", "EPSG:25829"));
    EXPECT_EQ(ChooseOutputProjection(std::nullopt, folder / "grid_x\x1B.dat").warnings,
              std::vector<std::string>{
                  "no coordinate system was given, so the shapefile has no .prj: put one beside "
                  "the X axys file as '" +
                  (folder / "grid_x\\x1B.prj") + "' (or, with tesselar-convert, give --crs)"});
    folder.Write("grid_x.PRJ", GdalText("wkt_esri", "EPSG:4326"));
    EXPECT_EQ(ChooseOutputProjection(std::nullopt, folder / "grid_x.dat").warnings,
              std::vector<std::string>{
                  "the X axys file has two sidecars that differ, '" + (folder / "grid_x.prj") +
                  "' and '" + (folder / "grid_x.PRJ") + "': the .prj written is that of '" +
                  (folder / "grid_x.prj") + "'"});
}

TEST(OutputProjectionTest, RefusesWhatProjCannotReadNamingItAndTheReason) {
    const TempDir folder;
    const std::string garbage = folder.Write("garbage.prj", "PROJCS[\"nothing\",GEOGCS[");
    folder.Write("empty.prj", " \n");
    folder.Write("bad_x.prj", "not a coordinate system");
    const std::string dir = folder.Path().string();
    std::filesystem::create_symlink("gone.prj", folder / "link.prj");
    std::filesystem::create_directory(folder / "linked");
    std::filesystem::create_symlink("../gone.prj", folder / "linked/grid_x.prj");
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {"EPSG:999999",
         "'EPSG:999999': PROJ cannot read it as a coordinate system: proj_create: crs not found"},
        {"PROJCS[\"nothing\",GEOGCS[", "'PROJCS[\"nothing\",GEOGCS[': PROJ cannot read it"},
        {"PROJCS[\"" + std::string(200, 'x'),
         "'PROJCS[\"" + std::string(69, 'x') + "...': PROJ cannot read it"},
        {"ELLIPSOID[\"GRS 1980\",6378137,298.257222101]",
         "'ELLIPSOID[\"GRS 1980\",6378137,298.257222101]': PROJ reads it as 'GRS 1980', which "
         "is not a coordinate system"},
        // Heights alone place nothing on a map.
        {"EPSG:5773",
         "'EPSG:5773': PROJ reads it as 'EGM96 height', a vertical coordinate system (heights), "
         "which places nothing on a map"},
        {"EPSG:4978", "'EPSG:4978': PROJ reads it as 'WGS 84', a geocentric coordinate system"},
        {"nowhere.prj",
         "'nowhere.prj': PROJ cannot read it as a coordinate system: proj_create: unrecognized "
         "format / unknown name; nor is it the name of a file"},
        {dir, "file '" + dir + "': cannot read the file: Is a"},
        {garbage, "file '" + garbage + "': PROJ cannot read it"},
        {dir + "/empty.prj", "file '" + dir + "/empty.prj': the file is empty"},
        {dir + "/link.prj", "file '" + dir +
                                "/link.prj': cannot open the file: No such file or directory (it "
                                "is a symbolic link to 'gone.prj')"},
        {std::nullopt, "file '" + dir + "/bad_x.prj': PROJ cannot read it"},
    };
    for (const auto& [option, expected] : cases) {
        SCOPED_TRACE(option.value_or("sidecar"));
        EXPECT_THAT(
            [&] {
                ChooseOutputProjection(
                    option ? std::optional(ReadCoordinateSystemOption(*option)) : std::nullopt,
                    dir + "/bad_x.dat");
            },
            testing::ThrowsMessage<CoordinateSystemError>(
                HasSubstr("Coordinate system " + expected)));
    }
    // A sidecar that is a symbolic link leading nowhere is named, not passed over.
    EXPECT_THAT([&] { ChooseOutputProjection(std::nullopt, dir + "/linked/grid_x.dat"); },
                testing::ThrowsMessage<CoordinateSystemError>(
                    "Coordinate system file '" + dir +
                    "/linked/grid_x.prj': cannot open the file: No such file or directory (it "
                    "is a symbolic link to '../gone.prj')"));
}

}  // namespace
}  // namespace tesselar

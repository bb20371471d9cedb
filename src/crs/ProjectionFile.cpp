#include "crs/ProjectionFile.h"

#include <fstream>
#include <iterator>

#include "conversion/PrintableText.h"
#include "crs/CoordinateSystem.h"

namespace tesselar {

namespace {

std::filesystem::path SidecarOf(const std::filesystem::path& xAxysFile, const char* extension) {
    std::filesystem::path sidecar = xAxysFile;
    return sidecar.replace_extension(extension);
}

// A symbolic link counts even when it leads nowhere, so that reading it says so.
bool IsThere(const std::filesystem::path& path) {
    std::error_code notThere;
    return std::filesystem::exists(std::filesystem::symlink_status(path, notThere));
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Two sidecars are one when they are the same file (a folder that ignores case) or plain files
// with the same bytes; pipes and devices are not read to find out.
bool SameSidecar(const std::filesystem::path& first, const std::filesystem::path& second) {
    std::error_code unknown;
    if (std::filesystem::equivalent(first, second, unknown)) {
        return true;
    }
    if (!std::filesystem::is_regular_file(first, unknown) ||
        !std::filesystem::is_regular_file(second, unknown) ||
        std::filesystem::file_size(first, unknown) != std::filesystem::file_size(second, unknown)) {
        return false;
    }
    return FileBytes(first) == FileBytes(second);
}

}  // namespace

GivenCoordinateSystem ReadCoordinateSystemOption(std::string_view text, StopRequest stop) {
    if (text == kNoCoordinateSystem) {
        return {};
    }
    return {EsriWkt(text, stop)};
}

OutputProjection ChooseOutputProjection(const std::optional<GivenCoordinateSystem>& given,
                                        const std::filesystem::path& xAxysFile, StopRequest stop) {
    if (given) {
        return {given->esriWkt, {}};
    }
    const std::filesystem::path lower = SidecarOf(xAxysFile, ".prj");
    const std::filesystem::path upper = SidecarOf(xAxysFile, ".PRJ");
    if (IsThere(lower)) {
        OutputProjection projection{EsriWktOfFile(lower, stop), {}};
        if (IsThere(upper) && !SameSidecar(lower, upper)) {
            projection.warnings.push_back(
                "the X axys file has two sidecars that differ, " + QuotedPrintable(lower.string()) +
                " and " + QuotedPrintable(upper.string()) + ": the .prj written is that of " +
                QuotedPrintable(lower.string()));
        }
        return projection;
    }
    if (IsThere(upper)) {
        return {EsriWktOfFile(upper, stop), {}};
    }
    return {std::nullopt,
            {"no coordinate system was given, so the shapefile has no .prj: put one beside the "
             "X axys file as " +
             QuotedPrintable(lower.string()) + " (or, with tesselar-convert, give --crs)"}};
}

}  // namespace tesselar

// Drives the shape file component with calls chosen by the fuzz input (odd names, widths, modes
// and numbers, calls out of order, a disk that fills up, refused renames) over an earlier
// shapefile in files of any case, in memory. Every call succeeds or throws ShapeFileError; in the
// end the folder holds the complete file set the accepted calls describe in place of the earlier
// shapefile's files, or exactly what stood there before.

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "MemoryFileSystem.h"
#include "ShapeFileChecks.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"

namespace {

using namespace tesselar;
using namespace tesselar::fuzz;

enum class Call {
    kOpen,
    kAddField,
    kCommitFields,
    kAddVertex,
    kAddRing,
    kSetValue,
    kAppendShape,
    kRelease,
    kSetProjection,
    kMaxValue = kSetProjection
};

double ConsumeNumber(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0:  // any bit pattern: NaNs, infinities, subnormals
            return std::bit_cast<double>(input.ConsumeIntegral<std::uint64_t>());
        case 1:
            return input.ConsumeFloatingPoint<double>();
        case 2:  // the hundredths the reader produces
            return static_cast<double>(input.ConsumeIntegralInRange<std::int64_t>(
                       -100'000'000'000, 100'000'000'000)) /
                   100.0;
        default:
            return static_cast<double>(input.ConsumeIntegralInRange(-3, 3));
    }
}

std::string ConsumePath(FuzzedDataProvider& input) {
    static const char* const kExtensions[] = {".shp", ".SHP", ".Shp", "", ".dbf", "shp"};
    const std::string name = input.ConsumeRandomLengthString(24);
    return "out/" + name + kExtensions[input.ConsumeIntegralInRange(0, 5)];
}

// Earlier files at the destination, in any case and with companions the component does not
// write, and other files beside it, that must survive a failure.
FileMap ExistingFiles(FuzzedDataProvider& input, const std::string& path) {
    FileMap files{{"out/other.txt", "not ours"}};
    const auto chosen = input.ConsumeIntegral<std::uint16_t>();
    if (chosen == 0 || path.size() < 4) {
        return files;
    }
    const std::string stem = path.substr(0, path.size() - 4);
    static const char* const kNames[] = {".shp", ".shx", ".dbf", ".cpg", ".prj", ".qix", ".SBN",
                                         ".sbx", ".shp.xml", ".Prj",
                                         // Files of another shapefile, or no shapefile's
                                         "x.shp", ".txt", ".shp.bak"};
    for (std::size_t n = 0; n < std::size(kNames); ++n) {
        if ((chosen >> n & 1U) != 0) {
            files[stem + kNames[n]] = std::string("earlier ") + kNames[n];
        }
    }
    // Another shapefile, its name in upper case (the same one when the name is)
    if ((chosen >> 13 & 1U) != 0) {
        const std::size_t name = stem.rfind('/') + 1;
        const std::string upperStem = stem.substr(0, name) + Cased(stem.substr(name), true);
        for (const char* extension : {".SHP", ".SHX", ".DBF"}) {
            files[upperStem + extension] = std::string("earlier upper ") + extension;
        }
    }
    return files;
}

struct Session {
    FuzzedDataProvider& input;
    ShapeFiles& component;
    ShapeFileModel model;
    std::vector<ShapeField*> columns;  // the handle and name of each field of the model
    std::vector<std::string> names;
    bool released = false;

    void Open(const std::string& path, std::int32_t mode, std::int32_t type) {
        component.OpenShapeFile(path, mode, type);
        model.shpPath = path;
        model.shapeType = type;
    }
    void Run(Call call);
};

void Session::Run(Call call) {
    switch (call) {
        case Call::kOpen: {
            const std::string path = input.ConsumeBool() ? model.shpPath : ConsumePath(input);
            const std::int32_t mode =
                input.ConsumeBool() ? 1 : input.ConsumeIntegral<std::int32_t>();
            static const std::int32_t kTypes[] = {1, 5, 0, 3, 8, -1};
            Open(path, mode, kTypes[input.ConsumeIntegralInRange(0, 5)]);
            break;
        }
        case Call::kAddField: {
            const std::string name =
                input.ConsumeBool() || names.empty()
                    ? input.ConsumeRandomLengthString(16)
                    : names[input.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)];
            const bool usual = input.ConsumeBool();
            const int type = usual ? kFieldTypeNumeric : input.ConsumeIntegralInRange(0, 20);
            const int width = usual ? 10 : input.ConsumeIntegralInRange(-1, 21);
            const int decimals = usual ? 5 : input.ConsumeIntegralInRange(-1, 17);
            columns.push_back(&component.FieldList().AddField(name, type, width, decimals));
            names.push_back(name);
            model.fieldWidths.push_back(width);
            break;
        }
        case Call::kCommitFields:
            component.CommitFields();
            break;
        case Call::kAddVertex: {
            const double x = ConsumeNumber(input);
            const double y = ConsumeNumber(input);
            component.VertexList().AddVertex(x, y, input.ConsumeIntegralInRange(0, 2));
            break;
        }
        case Call::kAddRing: {
            // A whole ring, or a point, at once: accepted shapes come up far more often.
            const int part = input.ConsumeIntegralInRange(0, 2);
            const int count =
                model.shapeType == kShapeTypePoint ? 1 : input.ConsumeIntegralInRange(3, 5);
            for (int n = 0; n < count; ++n) {
                const double x = ConsumeNumber(input);
                component.VertexList().AddVertex(x, ConsumeNumber(input), part);
            }
            break;
        }
        case Call::kSetValue:
            if (!columns.empty()) {
                const auto column =
                    input.ConsumeIntegralInRange<std::size_t>(0, columns.size() - 1);
                columns[column]->Value(ConsumeNumber(input));
            }
            break;
        case Call::kAppendShape:
            component.AppendShape();
            ++model.shapes;
            break;
        case Call::kRelease:
            component.Release();
            released = true;
            break;
        case Call::kSetProjection: {
            std::string wkt = input.ConsumeRandomLengthString(40);
            component.SetProjection(wkt);
            model.projection = std::move(wkt);
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    MemoryFileSystem files;
    files.spaceLeft =
        input.ConsumeBool() ? input.ConsumeIntegralInRange<std::uint64_t>(0, 4000) : UINT64_MAX;
    files.changesBeforeRefusal = input.ConsumeBool() ? input.ConsumeIntegralInRange(0, 12) : -1;
    const std::string firstPath = ConsumePath(input);
    files.files = ExistingFiles(input, firstPath);
    const FileMap before = files.files;

    auto component = std::make_unique<ShapeFiles>(
        files, std::chrono::sys_days(std::chrono::year(2024) / 5 / 17));
    Session session{input, *component, {}, {}, {}, false};
    session.model.shpPath = firstPath;
    try {
        session.Open(firstPath, 1, input.ConsumeBool() ? kShapeTypePoint : kShapeTypePolygon);
    } catch (const ShapeFileError&) {
        // A path the component refuses; the calls below try others.
    }
    for (int calls = 0; calls < 400 && input.remaining_bytes() > 0; ++calls) {
        try {
            session.Run(input.ConsumeEnum<Call>());
        } catch (const ShapeFileError&) {
            // Refused: the model keeps only what the component accepted.
        }
    }
    // Destroying the component after a failure removes its temporary files; after a Release it
    // must leave the files alone.
    component.reset();
    if (session.released) {
        CheckCompleteFileSet(before, files.files, session.model);
    } else {
        FUZZ_CHECK(files.files == before, "without a successful Release the folder changed");
    }
    return 0;
}

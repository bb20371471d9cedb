#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/shapefile/DbfFieldNames.h"
#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShortenedValues.h"

namespace tesselar {

// OpenShapeFile's mode for a new shape file, the only one the component writes.
inline constexpr std::int32_t kModeCreate = 1;
inline constexpr std::int32_t kShapeTypePoint = 1;
inline constexpr std::int32_t kShapeTypePolygon = 5;
inline constexpr int kFieldTypeNumeric = 19;  // the type code AddField takes for a number column

// GIS programs hold every file of a shapefile to 2 GB; the .shp and .shx headers count the
// length in 16-bit words in a signed 32-bit integer.
inline constexpr std::int64_t kMaxShapeFileBytes = 2'147'483'647;

class PendingShapefiles;
class ShapeField;
class ShapeFieldList;
class ShapeVertexList;

// Writes one ESRI shape file (.shp, .shx, .dbf, a .cpg naming UTF-8 and, when given, a .prj) of
// points or polygons.
//
// Calling order: OpenShapeFile; AddField per column; CommitFields; then per shape the vertices
// and the fields' values, and AppendShape; finally Release. SetProjection may come anywhere
// before Release. Nothing at the destination changes before Release: the files are written
// without a name (or under temporary ones) and Release puts them in place of the earlier
// shapefile as one step (see ReplaceShapefile): every file of the earlier one goes, whatever the
// case of its name, and conversions to one destination replace it one after the other.
// Destroying the component without a successful Release (an error unwinding) discards the new
// files and leaves the destination as it was.
//
// Every failure throws ShapeFileError with a message that names the file concerned.
class ShapeFiles {
public:
    // `files` must outlive the component; `today` is the date stamped into the .dbf header.
    ShapeFiles(OutputFileSystem& files, std::chrono::system_clock::time_point today);
    ~ShapeFiles();
    ShapeFiles(const ShapeFiles&) = delete;
    ShapeFiles& operator=(const ShapeFiles&) = delete;

    // `path` is the .shp path; the other files share its name up to the extension. An extension
    // of ".SHP" gives upper-case companions (".SHX" ...); any other case of ".shp" is written as
    // ".shp" with lower-case ones (see ShpPath). Mode 1 creates a new file, replacing an
    // existing one at Release. `shapeType` is kShapeTypePoint or kShapeTypePolygon.
    void OpenShapeFile(const std::string& path, std::int32_t mode, std::int32_t shapeType);
    // The .shp path the shapefile is written to.
    const std::string& ShpPath() const;
    // The text of the .prj file (the coordinate system as WKT), written and put in place with
    // the other files; without it, or with an empty text, the shapefile has no .prj.
    void SetProjection(std::string wkt);
    // Before CommitFields, for a shapefile whose shapes are those of one written before (a
    // model run's later steps): makes its .shp and .shx copies of `shp` and `shx`, closed
    // files of that shapefile holding `shapeCount` shapes. AppendShape then writes a record's
    // values alone and takes no vertices, and the shapefile is refused when its count of
    // records differs. False, with nothing changed, where the file system cannot copy: the
    // shapes are then added as usual.
    bool CopyShapesFrom(const OutputFile& shp, const OutputFile& shx, std::int64_t shapeCount);
    ShapeFieldList& FieldList();
    void CommitFields();
    // After CommitFields: each column's name as given and as the .dbf stores it (shortened to
    // 10 bytes or made unique), in column order.
    const std::vector<DbfColumnName>& ColumnNames() const;
    ShapeVertexList& VertexList();
    // Writes the next record from the vertices added since the previous record and the fields'
    // current values; the next shape starts with no vertices.
    void AppendShape();
    // Completes the files and puts them in place of the earlier shapefile.
    void Release();
    // Completes the files and hands them to `pending`, which places them together with the
    // other shapefiles it holds; until then the destination does not change.
    void HoldBack(PendingShapefiles& pending);

    // The columns holding values, among the shapes appended so far, written with fewer digits
    // than their shortest exact text because they did not fit (see ShapeField::Value), in
    // column order.
    std::vector<ShortenedValues> Shortened() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// Refuses, before anything is written, a shape file whose files would pass the format's limits:
// a .shp or .shx of more than 2,147,483,647 bytes (the 2 GB limit GIS programs hold to; the
// headers count in 16-bit words), or a .dbf beyond that size or the record count of its
// header. `verticesPerShape` counts the vertices written per record (a closed ring repeats its
// first corner); `fieldBytes` is the columns' widths added up.
void CheckShapeFileCapacity(std::int32_t shapeType, std::int64_t shapeCount, int verticesPerShape,
                            int fieldCount, std::int64_t fieldBytes);

}  // namespace tesselar

#include "writer/CreateShapeFiles.h"

#include <array>

#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFiles.h"
#include "conversion/ConversionError.h"
#include "readers/PrintableText.h"
#include "writer/ColumnPlan.h"
#include "writer/ShapeProgress.h"
#include "writer/WriterLayout.h"

namespace tesselar {

namespace {

constexpr std::int32_t kNewShapeFileMode = 1;

const std::string& AttributeName(const ConversionJob& job, int k) {
    if (k > kMaxAttributes) {
        throw IndexError("attribute " + std::to_string(k) + " lies outside the " +
                         std::to_string(kMaxAttributes) + " attribute slots");
    }
    return job.AttribNames[static_cast<std::size_t>(k)];
}

// The columns of one record: the cell index columns when asked for, then the attributes in
// slot order. Each attribute keeps the column AddField gave it, so two attributes of the same
// name (or named like an index column) still fill a column each.
class RecordColumns {
public:
    // `step`: a model run's step, whose layout every step shares; else each column is planned
    // for the job's values.
    RecordColumns(const ConversionJob& job, bool polygons, const WriterOptions& options,
                  const StepRecord* step)
        : job_(job), polygons_(polygons), options_(options), step_(step) {
        for (int k = 1; k <= job.AttribCount; ++k) {
            AttributeName(job, k);  // refuses a count beyond the slots
            formats_[static_cast<std::size_t>(k)] =
                step != nullptr ? step->formats.at(static_cast<std::size_t>(k - 1))
                                : PlanColumn(job, k, options);
        }
    }

    // The columns' count and their widths added up, for the size of a .dbf record.
    int Count() const {
        return StepColumns(options_) + CellIndexColumns(options_, polygons_) + job_.AttribCount;
    }
    std::int64_t Bytes() const {
        std::int64_t bytes =
            StepColumnsBytes(options_) +
            std::int64_t{CellIndexColumns(options_, polygons_)} * kCellIndexFieldWidth;
        for (int k = 1; k <= job_.AttribCount; ++k) {
            bytes += formats_[static_cast<std::size_t>(k)].width;
        }
        return bytes;
    }

    // The step's own columns hold one value for all of its records: set once, they stay.
    void Add(ShapeFieldList& list) {
        if (options_.stepColumn) {
            list.AddField(kStepColumn, kFieldTypeNumeric, kStepFieldWidth, 0)
                .Value(static_cast<double>(step_ != nullptr ? step_->step : 1));
        }
        if (options_.timeColumn) {
            list.AddTextField(kTimeColumn, kTimeFieldWidth)
                .Text(step_ != nullptr ? step_->time : std::string());
        }
        if (options_.cellIndex) {
            cellI_ = &list.AddField(kCellIColumn, kFieldTypeNumeric, kCellIndexFieldWidth, 0);
            if (polygons_) {
                cellJ_ = &list.AddField(kCellJColumn, kFieldTypeNumeric, kCellIndexFieldWidth, 0);
            }
        }
        for (int k = 1; k <= job_.AttribCount; ++k) {
            const ColumnFormat& format = formats_[static_cast<std::size_t>(k)];
            attributes_[static_cast<std::size_t>(k)] = &list.AddField(
                AttributeName(job_, k), kFieldTypeNumeric, format.width, format.decimals);
        }
    }

    // The values of cell (i, j), or of particle i with j 1.
    void Set(int i, int j) const {
        if (cellI_ != nullptr) {
            cellI_->Value(i);
        }
        if (cellJ_ != nullptr) {
            cellJ_->Value(j);
        }
        for (int k = 1; k <= job_.AttribCount; ++k) {
            ShapeField& field = *attributes_[static_cast<std::size_t>(k)];
            const double value = job_.AttribValues.at(k, i, j);
            if (value == options_.noData) {
                field.SetNull();
            } else {
                field.Value(value);
            }
        }
    }

private:
    const ConversionJob& job_;
    bool polygons_;
    const WriterOptions& options_;
    const StepRecord* step_;
    // Slot 0 unused, as in the job.
    std::array<ColumnFormat, kMaxAttributes + 1> formats_{};
    std::array<ShapeField*, kMaxAttributes + 1> attributes_{};
    ShapeField* cellI_ = nullptr;
    ShapeField* cellJ_ = nullptr;
};

// Unwinding through the component discards the files written so far.
void StopWhenRequested(StopRequest stop, const ShapeFiles& shapeFiles) {
    if (stop.Requested()) [[unlikely]] {
        throw Interrupted(stop.Signal(), "writing '" + PrintableText(shapeFiles.ShpPath()) + "'");
    }
}

std::vector<DbfColumnName> RenamedColumns(const ShapeFiles& shapeFiles) {
    std::vector<DbfColumnName> renamed;
    for (const DbfColumnName& name : shapeFiles.ColumnNames()) {
        if (name.Changed()) {
            renamed.push_back(name);
        }
    }
    return renamed;
}

// A polygon per cell (i, j), its corners the nodes (i, j), (i+1, j), (i+1, j+1) and (i, j+1);
// j runs fastest.
void WritePolygons(ShapeFiles& shapeFiles, const ConversionJob& job, const RecordColumns& columns,
                   std::int16_t iMax, std::int16_t jMax, ShapeProgress& progress,
                   StopRequest stop) {
    std::int32_t shapeNumber = 0;
    progress.Start();
    for (int i = 1; i <= iMax; ++i) {
        for (int j = 1; j <= jMax; ++j) {
            ++shapeNumber;
            ShapeVertexList& vertices = shapeFiles.VertexList();
            vertices.AddVertex(job.XCoords.at(i, j), job.YCoords.at(i, j), 0);
            vertices.AddVertex(job.XCoords.at(i + 1, j), job.YCoords.at(i + 1, j), 0);
            vertices.AddVertex(job.XCoords.at(i + 1, j + 1), job.YCoords.at(i + 1, j + 1), 0);
            vertices.AddVertex(job.XCoords.at(i, j + 1), job.YCoords.at(i, j + 1), 0);
            columns.Set(i, j);
            shapeFiles.AppendShape();
            progress.Step(shapeNumber);
            StopWhenRequested(stop, shapeFiles);
        }
    }
}

// A point per particle p, at (p, 1) of the coordinate arrays.
void WritePoints(ShapeFiles& shapeFiles, const ConversionJob& job, const RecordColumns& columns,
                 std::int16_t iMax, ShapeProgress& progress, StopRequest stop) {
    std::int32_t shapeNumber = 0;
    progress.Start();
    for (int p = 1; p <= iMax; ++p) {
        ++shapeNumber;
        shapeFiles.VertexList().AddVertex(job.XCoords.at(p, 1), job.YCoords.at(p, 1), 0);
        columns.Set(p, 1);
        shapeFiles.AppendShape();
        progress.Step(shapeNumber);
        StopWhenRequested(stop, shapeFiles);
    }
}

}  // namespace

namespace {

// Writes the shapefile, then places it, or hands it to `pending` when given.
WriteSummary WriteShapeFileTo(const std::string& shpPath, const ConversionJob& job,
                              WriterServices services, const WriterOptions& options,
                              const std::string& projection, const StepRecord* step,
                              PendingShapefiles* pending) {
    const bool polygons = job.ShapeType == ShapeType::Polygon;
    const std::int16_t iMax = job.IMax;
    const std::int16_t jMax = polygons ? job.JMax : std::int16_t{1};

    RecordColumns columns(job, polygons, options, step);
    CheckShapeFileFits(job, columns.Count(), columns.Bytes());
    ShapeFiles shapeFiles(services.files, services.clock.CalendarNow());
    shapeFiles.OpenShapeFile(shpPath, kNewShapeFileMode,
                             polygons ? kShapeTypePolygon : kShapeTypePoint);
    shapeFiles.SetProjection(projection);
    columns.Add(shapeFiles.FieldList());
    shapeFiles.CommitFields();

    ShapeProgress progress(services.display, services.clock, iMax, jMax);
    StopWhenRequested(services.stop, shapeFiles);
    if (polygons) {
        WritePolygons(shapeFiles, job, columns, iMax, jMax, progress, services.stop);
    } else {
        WritePoints(shapeFiles, job, columns, iMax, progress, services.stop);
    }
    if (pending != nullptr) {
        shapeFiles.HoldBack(*pending);
    } else {
        // A signal arriving from here on no longer stops the conversion: the files are
        // completed and put in place (with the signals held back while they move), so the
        // shapefile is whole.
        shapeFiles.Release();
    }
    return WriteSummary{shapeFiles.ShortenedValueCount(), shapeFiles.ShpPath(),
                        RenamedColumns(shapeFiles)};
}

}  // namespace

WriteSummary WriteShapeFile(const std::string& shpPath, const ConversionJob& job,
                            WriterServices services, const WriterOptions& options,
                            const std::string& projection) {
    return WriteShapeFileTo(shpPath, job, services, options, projection, nullptr, nullptr);
}

WriteSummary WriteStepShapeFile(const std::string& shpPath, const ConversionJob& job,
                                WriterServices services, const WriterOptions& options,
                                const std::string& projection, const StepRecord& step,
                                PendingShapefiles& pending) {
    return WriteShapeFileTo(shpPath, job, services, options, projection, &step, &pending);
}

}  // namespace tesselar

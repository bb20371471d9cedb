#include "writer/CreateShapeFiles.h"

#include <array>

#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFiles.h"
#include "conversion/ConversionError.h"
#include "writer/ColumnPlan.h"
#include "writer/ShapeLoop.h"
#include "writer/WriterLayout.h"

namespace tesselar {

namespace {

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

std::vector<DbfColumnName> RenamedColumns(const ShapeFiles& shapeFiles) {
    std::vector<DbfColumnName> renamed;
    for (const DbfColumnName& name : shapeFiles.ColumnNames()) {
        if (name.Changed()) {
            renamed.push_back(name);
        }
    }
    return renamed;
}

// The shapefile as the writing loop's sink: each shape becomes a record of its vertices and
// columns (of its columns alone when the shapes were copied); unwinding through the component
// discards the files written so far. With `pending`, the complete files are handed to it
// instead of being put in place.
class ShapefileSink final : public ShapeSink {
public:
    ShapefileSink(ShapeFiles& shapeFiles, const RecordColumns& columns, PendingShapefiles* pending,
                  bool shapesCopied)
        : shapeFiles_(shapeFiles),
          columns_(columns),
          pending_(pending),
          shapesCopied_(shapesCopied) {}

    void Add(const LoopShape& shape) override {
        if (!shapesCopied_) {
            ShapeVertexList& vertices = shapeFiles_.VertexList();
            for (int c = 0; c < shape.corners; ++c) {
                const auto corner = static_cast<std::size_t>(c);
                vertices.AddVertex(shape.x[corner], shape.y[corner], 0);
            }
        }
        columns_.Set(shape.i, shape.j);
        shapeFiles_.AppendShape();
    }
    void Finish() override {
        if (pending_ != nullptr) {
            shapeFiles_.HoldBack(*pending_);
        } else {
            shapeFiles_.Release();
        }
    }
    const std::string& Path() const override { return shapeFiles_.ShpPath(); }

private:
    ShapeFiles& shapeFiles_;
    const RecordColumns& columns_;
    PendingShapefiles* pending_;
    bool shapesCopied_;
};

// Writes the shapefile, then places it, or hands it to `pending` when given.
WriteSummary WriteShapeFileTo(const std::string& shpPath, const ConversionJob& job,
                              WriterServices services, const WriterOptions& options,
                              const std::string& projection, const StepRecord* step,
                              PendingShapefiles* pending, const EarlierShapes& earlier) {
    const bool polygons = job.ShapeType == ShapeType::Polygon;

    RecordColumns columns(job, polygons, options, step);
    CheckShapeFileFits(job, columns.Count(), columns.Bytes());
    ShapeFiles shapeFiles(services.files, services.clock.CalendarNow());
    shapeFiles.OpenShapeFile(shpPath, kModeCreate, polygons ? kShapeTypePolygon : kShapeTypePoint);
    shapeFiles.SetProjection(projection);
    const bool shapesCopied =
        earlier.shp != nullptr &&
        shapeFiles.CopyShapesFrom(*earlier.shp, *earlier.shx, ShapeCount(job));
    columns.Add(shapeFiles.FieldList());
    shapeFiles.CommitFields();

    ShapefileSink sink(shapeFiles, columns, pending, shapesCopied);
    WriteShapes(job, sink, services);
    return WriteSummary{shapeFiles.Shortened(), shapeFiles.ShpPath(), RenamedColumns(shapeFiles)};
}

}  // namespace

WriteSummary WriteShapeFile(const std::string& shpPath, const ConversionJob& job,
                            WriterServices services, const WriterOptions& options,
                            const std::string& projection) {
    return WriteShapeFileTo(shpPath, job, services, options, projection, nullptr, nullptr, {});
}

WriteSummary WriteStepShapeFile(const std::string& shpPath, const ConversionJob& job,
                                WriterServices services, const WriterOptions& options,
                                const std::string& projection, const StepRecord& step,
                                PendingShapefiles& pending, const EarlierShapes& earlier) {
    return WriteShapeFileTo(shpPath, job, services, options, projection, &step, &pending, earlier);
}

}  // namespace tesselar

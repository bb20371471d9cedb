#include "writer/WriteGeoPackage.h"

#include <sys/stat.h>

#include "controls/shapefile/ShapeFileNames.h"
#include "geopackage/GeoPackageLayer.h"
#include "spatial/GridHilbertOrder.h"
#include "writer/ShapeLoop.h"
#include "writer/WriterLayout.h"

namespace tesselar {

namespace {

GeoPackageLayerDefinition LayerDefinition(const std::string& path, const std::string& layer,
                                          const ConversionJob& job, const WriterOptions& options) {
    GeoPackageLayerDefinition definition;
    definition.table = GeoPackageLayerName(path, layer);
    definition.polygons = job.ShapeType == ShapeType::Polygon;
    if (options.stepColumn) {
        definition.integerColumns.emplace_back(kStepLayerColumn);
    }
    if (options.timeColumn) {
        definition.dateTimeColumns.emplace_back(kTimeLayerColumn);
    }
    for (int c = 0; c < CellIndexColumns(options, definition.polygons); ++c) {
        definition.integerColumns.emplace_back(c == 0 ? kCellIColumn : kCellJColumn);
    }
    for (int k = 1; k <= job.AttribCount; ++k) {
        definition.realColumns.push_back(job.AttribNames.at(static_cast<std::size_t>(k)));
    }
    return definition;
}

// The GeoPackage layer as the writing loop's sink. With `step`, one step of a model run, whose
// end is not the layer's.
class GeoPackageSink final : public ShapeSink {
public:
    GeoPackageSink(GeoPackageLayer& layer, const std::string& path, const ConversionJob& job,
                   const WriterOptions& options, const StepRecord* step = nullptr)
        : layer_(layer),
          path_(path),
          job_(job),
          options_(options),
          step_(step),
          firstIndexColumn_(options.stepColumn ? 1 : 0),
          indexColumns_(CellIndexColumns(options, job.ShapeType == ShapeType::Polygon)) {}

    void Add(const LoopShape& shape) override {
        if (step_ != nullptr) {
            layer_.SetInteger(0, step_->step);
            if (options_.timeColumn) {
                layer_.SetDateTime(0, step_->time);
            }
        }
        if (indexColumns_ > 0) {
            layer_.SetInteger(firstIndexColumn_, shape.i);
        }
        if (indexColumns_ > 1) {
            layer_.SetInteger(firstIndexColumn_ + 1, shape.j);
        }
        for (int k = 1; k <= job_.AttribCount; ++k) {
            double value = 0.0;
            if (ValueOf(job_, options_, k, shape.i, shape.j, value)) {
                layer_.SetReal(k - 1, value);
            } else {
                layer_.SetNull(k - 1);
            }
        }
        if (shape.corners == 1) {
            layer_.AddPoint(shape.x[0], shape.y[0]);
        } else {
            layer_.AddPolygon(shape.x.data(), shape.y.data(), shape.corners);
        }
    }
    void Finish() override {
        if (step_ == nullptr) {
            layer_.Finish();
        }
    }
    const std::string& Path() const override { return path_; }

private:
    GeoPackageLayer& layer_;
    const std::string& path_;
    const ConversionJob& job_;
    const WriterOptions& options_;
    const StepRecord* step_;
    int firstIndexColumn_;
    int indexColumns_;
};

}  // namespace

std::string GeoPackageLayerName(const std::string& path, const std::string& layer) {
    return layer.empty() ? FileStemOf(path) : layer;
}

void CheckGeoPackageFits(const std::string& path, const std::string& layer,
                         const ConversionJob& job, const WriterOptions& options) {
    CheckGeoPackageLayer(LayerDefinition(path, layer, job, options));
}

GeoPackageBegun::GeoPackageBegun() = default;

GeoPackageBegun::GeoPackageBegun(std::future<std::unique_ptr<GeoPackageLayer>> layer)
    : layer_(std::move(layer)) {}

GeoPackageBegun::GeoPackageBegun(GeoPackageBegun&&) noexcept = default;

GeoPackageBegun& GeoPackageBegun::operator=(GeoPackageBegun&&) noexcept = default;

// The future of a thread waits for it; the layer it holds, destroyed with it, removes its file.
GeoPackageBegun::~GeoPackageBegun() = default;

std::unique_ptr<GeoPackageLayer> GeoPackageBegun::Take() {
    return layer_.valid() ? layer_.get() : nullptr;
}

GeoPackageBegun BeginGeoPackage(const std::string& path, const std::string& layer,
                                const ConversionJob& sized, WriterServices services,
                                const WriterOptions& options,
                                std::shared_future<std::optional<CrsIdentity>> crs) {
    struct stat status {};
    if (sized.ShapeType != ShapeType::Polygon || ::lstat(path.c_str(), &status) == 0) {
        return {};
    }
    OutputFileSystem& files = services.files;
    const auto rows = static_cast<std::uint32_t>(sized.IMax);
    const auto columns = static_cast<std::uint32_t>(sized.JMax);
    return GeoPackageBegun(
        std::async(std::launch::async,
                   [&files, path, definition = LayerDefinition(path, layer, sized, options), rows,
                    columns, crs = std::move(crs)]() mutable {
                       definition.crs = crs.get();
                       return std::make_unique<GeoPackageLayer>(files, path, definition,
                                                                GridHilbertOrder(rows, columns));
                   }));
}

WriteSummary WriteGeoPackage(const std::string& path, const std::string& layer,
                             const ConversionJob& job, WriterServices services,
                             const WriterOptions& options, const std::optional<CrsIdentity>& crs,
                             GeoPackageBegun* begun) {
    std::unique_ptr<GeoPackageLayer> geoPackage = begun != nullptr ? begun->Take() : nullptr;
    if (!geoPackage) {
        GeoPackageLayerDefinition definition = LayerDefinition(path, layer, job, options);
        definition.crs = crs;
        geoPackage = std::make_unique<GeoPackageLayer>(services.files, path, definition,
                                                       SpatialShapeOrder(job));
    }
    GeoPackageSink sink(*geoPackage, path, job, options);
    WriteShapes(job, sink, services);
    WriteSummary summary;
    summary.shpPath = path;
    summary.addedToExisting = geoPackage->Existed();
    return summary;
}

GeoPackageSteps::GeoPackageSteps(const std::string& path, const std::string& layer,
                                 const ConversionJob& job, std::size_t steps,
                                 OutputFileSystem& files, const WriterOptions& options,
                                 const std::optional<CrsIdentity>& crs)
    : path_(path), options_(options) {
    options_.stepColumn = true;
    GeoPackageLayerDefinition definition = LayerDefinition(path, layer, job, options_);
    definition.crs = crs;
    definition.shapeCopies = steps;
    layer_ = std::make_unique<GeoPackageLayer>(files, path, definition, SpatialShapeOrder(job));
}

GeoPackageSteps::~GeoPackageSteps() = default;

void GeoPackageSteps::Write(const ConversionJob& job, WriterServices services,
                            const StepRecord& step) {
    // A GeoPackage DATETIME has milliseconds: "2024-01-01T00:00:00.000Z".
    StepRecord record{step.step, step.time, {}};
    if (options_.timeColumn && record.time.size() == kTimeFieldWidth) {
        record.time.insert(kTimeFieldWidth - 1, ".000");
    }
    GeoPackageSink sink(*layer_, path_, job, options_, &record);
    WriteShapes(job, sink, services);
}

WriteSummary GeoPackageSteps::Finish() {
    layer_->Finish();
    WriteSummary summary;
    summary.shpPath = path_;
    summary.addedToExisting = layer_->Existed();
    return summary;
}

}  // namespace tesselar

#include "writer/WriteFlatGeobuf.h"

#include "controls/shapefile/ShapeFileNames.h"
#include "flatgeobuf/FlatGeobufFile.h"
#include "writer/ShapeLoop.h"
#include "writer/WriterLayout.h"

namespace tesselar {

namespace {

FlatGeobufDefinition FileDefinition(const std::string& path, const ConversionJob& job,
                                    const WriterOptions& options,
                                    const std::optional<CrsIdentity>& crs) {
    FlatGeobufDefinition definition;
    definition.name = FileStemOf(path);
    definition.polygons = job.ShapeType == ShapeType::Polygon;
    if (options.stepColumn) {
        definition.columns.push_back({kStepLayerColumn, true});
    }
    if (options.timeColumn) {
        definition.columns.push_back({kTimeLayerColumn, false, true});
    }
    for (int c = 0; c < CellIndexColumns(options, definition.polygons); ++c) {
        definition.columns.push_back({c == 0 ? kCellIColumn : kCellJColumn, true});
    }
    for (int k = 1; k <= job.AttribCount; ++k) {
        definition.columns.push_back({job.AttribNames.at(static_cast<std::size_t>(k)), false});
    }
    definition.crs = crs;
    return definition;
}

// The FlatGeobuf file as the writing loop's sink. The file's index, which comes before the
// features, is made from every shape's box and size, measured first in the order the loop then
// writes them; its leaves, the shapes' boxes again, follow its upper levels. With `step`, the
// features carry that step's columns.
class FlatGeobufSink final : public ShapeSink {
public:
    FlatGeobufSink(FlatGeobufFile& file, const ConversionJob& job, const WriterOptions& options,
                   const StepRecord* step = nullptr)
        : file_(file),
          job_(job),
          options_(options),
          step_(step),
          polygons_(job.ShapeType == ShapeType::Polygon),
          jMax_(polygons_ ? job.JMax : 1),
          stepColumns_(StepColumns(options)),
          indexColumns_(CellIndexColumns(options, polygons_)),
          stepBytes_(step != nullptr && options.timeColumn
                         ? FlatGeobufFeature::TextBytes(step->time)
                         : 0) {}

    // Its box and its size, without encoding it.
    void Measure(std::uint32_t number) {
        const LoopShape shape = ShapeAt(number);
        int reals = 0;
        for (int k = 1; k <= job_.AttribCount; ++k) {
            double value = 0.0;
            reals += ValueOf(job_, options_, k, shape.i, shape.j, value) ? 1 : 0;
        }
        file_.Measure(
            BoxOf(shape),
            FlatGeobufFeature::EncodedBytesOf(
                shape.corners, indexColumns_ + (options_.stepColumn ? 1 : 0), reals, stepBytes_));
    }
    void Leaf(std::uint32_t number) { file_.Leaf(BoxOf(ShapeAt(number))); }

    void Add(const LoopShape& shape) override {
        feature_.Clear();
        Describe(shape, feature_);
        file_.Add(feature_);
    }
    void Finish() override { file_.Finish(); }
    const std::string& Path() const override { return file_.Path(); }

    // Fills `feature` with the shape and its values, as the file holds them.
    void Describe(const LoopShape& shape, FlatGeobufFeature& feature) const {
        feature.Shape(shape.x.data(), shape.y.data(), shape.corners);
        if (step_ != nullptr) {
            feature.Integer(0, static_cast<std::int32_t>(step_->step));
            if (options_.timeColumn) {
                feature.Text(1, step_->time);
            }
        }
        if (indexColumns_ > 0) {
            feature.Integer(stepColumns_, shape.i);
        }
        if (indexColumns_ > 1) {
            feature.Integer(stepColumns_ + 1, shape.j);
        }
        for (int k = 1; k <= job_.AttribCount; ++k) {
            double value = 0.0;
            if (ValueOf(job_, options_, k, shape.i, shape.j, value)) {
                feature.Real(stepColumns_ + indexColumns_ + k - 1, value);
            }
        }
    }

private:
    // Shape `number` counts the shapes in grid order from 0.
    LoopShape ShapeAt(std::uint32_t number) const {
        const auto perRow = static_cast<std::uint32_t>(jMax_);
        return ShapeOf(job_, polygons_, static_cast<int>(number / perRow) + 1,
                       static_cast<int>(number % perRow) + 1);
    }

    FlatGeobufFile& file_;
    const ConversionJob& job_;
    const WriterOptions& options_;
    const StepRecord* step_;
    bool polygons_;
    int jMax_;
    int stepColumns_;
    int indexColumns_;
    std::size_t stepBytes_;
    FlatGeobufFeature feature_;
};

// Writes the file with its index: every shape measured, the index, then the shapes in the
// index's order, and puts it in place.
void WriteIndexed(FlatGeobufSink& sink, FlatGeobufFile& file, const ConversionJob& job,
                  WriterServices services, std::span<const std::uint32_t> order) {
    for (const std::uint32_t number : order) {
        sink.Measure(number);
    }
    file.WriteIndex();
    for (const std::uint32_t number : order) {
        sink.Leaf(number);
    }
    WriteShapes(job, sink, services, order);
}

// One step of many as the writing loop's sink: every feature written as it comes, after those
// of the steps before.
class FlatGeobufStepSink final : public ShapeSink {
public:
    FlatGeobufStepSink(FlatGeobufFile& file, const FlatGeobufSink& describer)
        : file_(file), describer_(describer) {}

    void Add(const LoopShape& shape) override {
        feature_.Clear();
        describer_.Describe(shape, feature_);
        file_.Stream(feature_);
    }
    void Finish() override {}
    const std::string& Path() const override { return file_.Path(); }

private:
    FlatGeobufFile& file_;
    const FlatGeobufSink& describer_;
    FlatGeobufFeature feature_;
};

// The box around every shape of the job.
Box ExtentOf(const ConversionJob& job) {
    const bool polygons = job.ShapeType == ShapeType::Polygon;
    const int jMax = polygons ? job.JMax : 1;
    Box extent{0.0, 0.0, 0.0, 0.0};
    bool first = true;
    for (int i = 1; i <= job.IMax; ++i) {
        for (int j = 1; j <= jMax; ++j) {
            const Box box = BoxOf(ShapeOf(job, polygons, i, j));
            if (first) {
                extent = box;
                first = false;
            } else {
                extent.Include(box);
            }
        }
    }
    return extent;
}

}  // namespace

WriteSummary WriteFlatGeobuf(const std::string& path, const ConversionJob& job,
                             WriterServices services, const WriterOptions& options,
                             const std::optional<CrsIdentity>& crs) {
    const std::vector<std::uint32_t> order = SpatialShapeOrder(job);
    FlatGeobufFile file(services.files, path, FileDefinition(path, job, options, crs),
                        order.size());
    FlatGeobufSink sink(file, job, options);
    WriteIndexed(sink, file, job, services, order);
    WriteSummary summary;
    summary.shpPath = path;
    return summary;
}

FlatGeobufSteps::FlatGeobufSteps(const std::string& path, const ConversionJob& job,
                                 std::size_t stepCount, OutputFileSystem& files,
                                 const WriterOptions& options,
                                 const std::optional<CrsIdentity>& crs)
    : options_(options), stepCount_(stepCount) {
    options_.stepColumn = true;
    // A file of many steps is streamed, without the index: it holds no feature's measure.
    file_ = std::make_unique<FlatGeobufFile>(
        files, path, FileDefinition(path, job, options_, crs),
        stepCount_ == 1 ? static_cast<std::uint64_t>(ShapeCount(job)) : 0);
    if (stepCount_ > 1) {
        file_->Start(static_cast<std::uint64_t>(ShapeCount(job)) * stepCount_, ExtentOf(job));
    }
}

FlatGeobufSteps::~FlatGeobufSteps() = default;

void FlatGeobufSteps::Write(const ConversionJob& job, WriterServices services,
                            const StepRecord& step) {
    FlatGeobufSink indexed(*file_, job, options_, &step);
    if (stepCount_ == 1) {
        WriteIndexed(indexed, *file_, job, services, SpatialShapeOrder(job));
        return;
    }
    FlatGeobufStepSink sink(*file_, indexed);
    WriteShapes(job, sink, services);
}

WriteSummary FlatGeobufSteps::Finish() {
    if (stepCount_ > 1) {
        file_->FinishStream();
    }
    WriteSummary summary;
    summary.shpPath = file_->Path();
    return summary;
}

}  // namespace tesselar

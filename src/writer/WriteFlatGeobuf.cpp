#include "writer/WriteFlatGeobuf.h"

#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/ConversionError.h"
#include "conversion/PrintableText.h"
#include "flatgeobuf/FlatGeobufFile.h"
#include "writer/ShapeLoop.h"
#include "writer/WriterLayout.h"

namespace tesselar {

namespace {

FlatGeobufDefinition FileDefinition(const std::string& path, const ConversionJob& job,
                                    const WriterOptions& options,
                                    const std::optional<CrsIdentity>& crs) {
    FlatGeobufDefinition definition;
    const std::string name = FileNameOf(path);
    definition.name = name.substr(0, name.rfind('.'));
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

// The FlatGeobuf file as the writing loop's sink: the file measures each shape the loop gives;
// once it has sorted them, it asks for the shapes again in its own order. With `step`, the
// features carry that step's columns.
class FlatGeobufSink final : public ShapeSink, public FlatGeobufSource {
public:
    FlatGeobufSink(FlatGeobufFile& file, const ConversionJob& job, const WriterOptions& options,
                   StopRequest stop, const StepRecord* step = nullptr)
        : file_(file),
          stop_(stop),
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

    // Measured without being encoded: only its box and its size are needed now.
    void Add(const LoopShape& shape) override {
        Box box{shape.x[0], shape.y[0], shape.x[0], shape.y[0]};
        for (int c = 1; c < shape.corners; ++c) {
            const auto corner = static_cast<std::size_t>(c);
            box.Include(Box{shape.x[corner], shape.y[corner], shape.x[corner], shape.y[corner]});
        }
        int reals = 0;
        for (int k = 1; k <= job_.AttribCount; ++k) {
            double value = 0.0;
            reals += ValueOf(job_, options_, k, shape.i, shape.j, value) ? 1 : 0;
        }
        file_.Add(box, FlatGeobufFeature::EncodedBytesOf(
                           shape.corners, indexColumns_ + (options_.stepColumn ? 1 : 0), reals,
                           stepBytes_));
    }
    void Finish() override { file_.Finish(*this); }
    const std::string& Path() const override { return file_.Path(); }

    // Shape `number` counts the shapes in the loop's order from 0. Writing the file takes a good
    // part of the time: a signal still stops it, and the unfinished file vanishes.
    void Fill(std::uint64_t number, FlatGeobufFeature& feature) override {
        if (stop_.Requested()) [[unlikely]] {
            throw Interrupted(stop_.Signal(), "writing '" + PrintableText(file_.Path()) + "'");
        }
        const int i = static_cast<int>(number / static_cast<std::uint64_t>(jMax_)) + 1;
        const int j = static_cast<int>(number % static_cast<std::uint64_t>(jMax_)) + 1;
        Describe(ShapeOf(job_, polygons_, i, j), feature);
    }

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
    FlatGeobufFile& file_;
    StopRequest stop_;
    const ConversionJob& job_;
    const WriterOptions& options_;
    const StepRecord* step_;
    bool polygons_;
    int jMax_;
    int stepColumns_;
    int indexColumns_;
    std::size_t stepBytes_;
};

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
            const LoopShape shape = ShapeOf(job, polygons, i, j);
            for (int c = 0; c < shape.corners; ++c) {
                const auto corner = static_cast<std::size_t>(c);
                const Box point{shape.x[corner], shape.y[corner], shape.x[corner], shape.y[corner]};
                if (first) {
                    extent = point;
                    first = false;
                } else {
                    extent.Include(point);
                }
            }
        }
    }
    return extent;
}

}  // namespace

WriteSummary WriteFlatGeobuf(const std::string& path, const ConversionJob& job,
                             WriterServices services, const WriterOptions& options,
                             const std::optional<CrsIdentity>& crs) {
    FlatGeobufFile file(services.files, path, FileDefinition(path, job, options, crs));
    FlatGeobufSink sink(file, job, options, services.stop);
    WriteShapes(job, sink, services);
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
    file_ = std::make_unique<FlatGeobufFile>(files, path, FileDefinition(path, job, options_, crs));
    if (stepCount_ > 1) {
        file_->Start(static_cast<std::uint64_t>(ShapeCount(job)) * stepCount_, ExtentOf(job));
    }
}

FlatGeobufSteps::~FlatGeobufSteps() = default;

void FlatGeobufSteps::Write(const ConversionJob& job, WriterServices services,
                            const StepRecord& step) {
    FlatGeobufSink indexed(*file_, job, options_, services.stop, &step);
    if (stepCount_ == 1) {
        WriteShapes(job, indexed, services);
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

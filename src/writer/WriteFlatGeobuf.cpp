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
// once it has sorted them, it asks for the shapes again in its own order.
class FlatGeobufSink final : public ShapeSink, public FlatGeobufSource {
public:
    FlatGeobufSink(FlatGeobufFile& file, const ConversionJob& job, const WriterOptions& options,
                   StopRequest stop)
        : file_(file),
          stop_(stop),
          job_(job),
          options_(options),
          polygons_(job.ShapeType == ShapeType::Polygon),
          jMax_(polygons_ ? job.JMax : 1),
          indexColumns_(CellIndexColumns(options, polygons_)) {}

    void Add(const LoopShape& shape) override {
        feature_.Clear();
        Describe(shape, feature_);
        file_.Add(feature_);
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

private:
    void Describe(const LoopShape& shape, FlatGeobufFeature& feature) const {
        feature.Shape(shape.x.data(), shape.y.data(), shape.corners);
        if (indexColumns_ > 0) {
            feature.Integer(0, shape.i);
        }
        if (indexColumns_ > 1) {
            feature.Integer(1, shape.j);
        }
        for (int k = 1; k <= job_.AttribCount; ++k) {
            double value = 0.0;
            if (ValueOf(job_, options_, k, shape.i, shape.j, value)) {
                feature.Real(indexColumns_ + k - 1, value);
            }
        }
    }

    FlatGeobufFile& file_;
    StopRequest stop_;
    const ConversionJob& job_;
    const WriterOptions& options_;
    bool polygons_;
    int jMax_;
    int indexColumns_;
    FlatGeobufFeature feature_;
};

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

}  // namespace tesselar

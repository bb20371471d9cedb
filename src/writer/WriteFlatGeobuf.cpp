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

// The FlatGeobuf file as the writing loop's sink. The file's index, which comes before the
// features, is made from every shape's box and size, measured first in the order the loop then
// writes them; its leaves, the shapes' boxes again, follow its upper levels.
class FlatGeobufSink final : public ShapeSink {
public:
    FlatGeobufSink(FlatGeobufFile& file, const ConversionJob& job, const WriterOptions& options)
        : file_(file),
          job_(job),
          options_(options),
          polygons_(job.ShapeType == ShapeType::Polygon),
          jMax_(polygons_ ? job.JMax : 1),
          indexColumns_(CellIndexColumns(options, polygons_)) {}

    // Its box and its size, without encoding it.
    void Measure(std::uint32_t number) {
        const LoopShape shape = ShapeAt(number);
        int reals = 0;
        for (int k = 1; k <= job_.AttribCount; ++k) {
            double value = 0.0;
            reals += ValueOf(job_, options_, k, shape.i, shape.j, value) ? 1 : 0;
        }
        file_.Measure(BoxOf(shape),
                      FlatGeobufFeature::EncodedBytesOf(shape.corners, indexColumns_, reals));
    }
    void Leaf(std::uint32_t number) { file_.Leaf(BoxOf(ShapeAt(number))); }

    void Add(const LoopShape& shape) override {
        feature_.Clear();
        feature_.Shape(shape.x.data(), shape.y.data(), shape.corners);
        if (indexColumns_ > 0) {
            feature_.Integer(0, shape.i);
        }
        if (indexColumns_ > 1) {
            feature_.Integer(1, shape.j);
        }
        for (int k = 1; k <= job_.AttribCount; ++k) {
            double value = 0.0;
            if (ValueOf(job_, options_, k, shape.i, shape.j, value)) {
                feature_.Real(indexColumns_ + k - 1, value);
            }
        }
        file_.Add(feature_);
    }
    void Finish() override { file_.Finish(); }
    const std::string& Path() const override { return file_.Path(); }

private:
    // Shape `number` counts the shapes in grid order from 0.
    LoopShape ShapeAt(std::uint32_t number) const {
        const auto perRow = static_cast<std::uint32_t>(jMax_);
        return ShapeOf(job_, polygons_, static_cast<int>(number / perRow) + 1,
                       static_cast<int>(number % perRow) + 1);
    }
    static Box BoxOf(const LoopShape& shape) {
        Box box{shape.x[0], shape.y[0], shape.x[0], shape.y[0]};
        for (std::size_t c = 1; c < static_cast<std::size_t>(shape.corners); ++c) {
            box.Include(Box{shape.x[c], shape.y[c], shape.x[c], shape.y[c]});
        }
        return box;
    }

    FlatGeobufFile& file_;
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
    const std::vector<std::uint32_t> order = SpatialShapeOrder(job);
    FlatGeobufFile file(services.files, path, FileDefinition(path, job, options, crs),
                        order.size());
    FlatGeobufSink sink(file, job, options);
    for (const std::uint32_t number : order) {
        sink.Measure(number);
    }
    file.WriteIndex();
    for (const std::uint32_t number : order) {
        sink.Leaf(number);
    }
    WriteShapes(job, sink, services, order);
    WriteSummary summary;
    summary.shpPath = path;
    return summary;
}

}  // namespace tesselar

#include "writer/ShapeLoop.h"

#include "conversion/ConversionError.h"
#include "conversion/PrintableText.h"
#include "writer/ShapeProgress.h"

namespace tesselar {

namespace {

// Unwinding through the sink discards what it wrote so far.
void StopWhenRequested(StopRequest stop, const ShapeSink& sink) {
    if (stop.Requested()) [[unlikely]] {
        throw Interrupted(stop.Signal(), "writing '" + PrintableText(sink.Path()) + "'");
    }
}

}  // namespace

void WriteShapes(const ConversionJob& job, ShapeSink& sink, WriterServices services) {
    const bool polygons = job.ShapeType == ShapeType::Polygon;
    const std::int16_t iMax = job.IMax;
    const std::int16_t jMax = polygons ? job.JMax : std::int16_t{1};
    ShapeProgress progress(services.display, services.clock, iMax, jMax);
    StopWhenRequested(services.stop, sink);
    std::int32_t shapeNumber = 0;
    progress.Start();
    for (int i = 1; i <= iMax; ++i) {
        for (int j = 1; j <= jMax; ++j) {
            ++shapeNumber;
            sink.Add(ShapeOf(job, polygons, i, j));
            progress.Step(shapeNumber);
            StopWhenRequested(services.stop, sink);
        }
    }
    // The output is completed and put in place. A signal arriving meanwhile stops the conversion
    // at the latest when it has the folder's lock, before anything moved; from there on the
    // signals wait until the output is in place, so it is whole.
    sink.Finish();
}

}  // namespace tesselar

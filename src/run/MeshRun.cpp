#include "run/MeshRun.h"

#include <cstdint>

#include "conversion/ConversionError.h"
#include "conversion/PrintableText.h"
#include "mesh/MeshFaces.h"
#include "mesh/MeshFile.h"
#include "mesh/MeshFileError.h"
#include "run/SeriesSteps.h"
#include "writer/ShapeProgress.h"

namespace tesselar {

namespace {

// "2024-01-01 00:00:00": a time as the origin of CF's "seconds since" units.
std::string TimeOrigin(StepTime time) {
    std::string text = IsoUtcText(time);
    text[10] = ' ';
    text.pop_back();
    return text;
}

MeshDefinition DefinitionOf(const ConversionJob& job, const MeshRequest& request,
                            const ConversionOptions& options,
                            const std::optional<CrsIdentity>& crs) {
    MeshDefinition definition;
    definition.nodeRows = job.IMax + 1;
    definition.nodeColumns = job.JMax + 1;
    for (int k = 1; k <= job.AttribCount; ++k) {
        definition.attributes.push_back(job.AttribNames.at(static_cast<std::size_t>(k)));
    }
    definition.stepCount = request.steps.StepCount();
    if (!request.times.empty()) {
        definition.timeOrigin = TimeOrigin(request.times.front());
        for (const StepTime time : request.times) {
            definition.timeSeconds.push_back(
                static_cast<double>((time - request.times.front()).count()));
        }
    }
    definition.noData = options.columns.noData;
    definition.crs = crs;
    return definition;
}

// The nodes and the faces, written once.
void WriteGrid(const ConversionJob& job, MeshFile& file, StopRequest stop) {
    for (int i = 1; i <= job.IMax + 1; ++i) {
        StopWhenRequested(stop, file.Path());
        file.PutNodeRow(i - 1, job.XCoords.Row(i) + 1, job.YCoords.Row(i) + 1);
    }
    std::vector<std::int32_t> faces(4 * static_cast<std::size_t>(job.JMax));
    for (int i = 1; i <= job.IMax && job.JMax > 0; ++i) {
        StopWhenRequested(stop, file.Path());
        FaceRow(i - 1, job.JMax + 1, job.XCoords.Row(i) + 1, job.YCoords.Row(i) + 1,
                job.XCoords.Row(i + 1) + 1, job.YCoords.Row(i + 1) + 1, faces.data());
        file.PutFaceRow(i - 1, faces.data());
    }
}

// The values of the step the job holds, a row of cells at a time (read in place, through the
// array's writable access, the one that hands out an element's address).
void WriteStepValues(ConversionJob& job, std::size_t step, MeshFile& file,
                     ConversionServices services) {
    ShapeProgress progress(services.display, services.clock, job.IMax, job.JMax);
    progress.Start();
    for (int i = 1; i <= job.IMax && job.JMax > 0; ++i) {
        StopWhenRequested(services.stop, file.Path());
        for (int k = 1; k <= job.AttribCount; ++k) {
            file.PutValueRow(step, static_cast<std::size_t>(k - 1), i - 1,
                             &job.AttribValues.at(k, i, 1));
        }
        progress.Step(i * job.JMax);
    }
}

}  // namespace

ReadSummary WriteMeshRun(ConversionJob& job, const MeshRequest& request,
                         ConversionServices services, const ConversionOptions& options,
                         const std::optional<CrsIdentity>& crs) {
    if (job.ShapeType != ShapeType::Polygon) {
        throw MeshFileError("'" + PrintableText(request.path) +
                            "': particles make no mesh; a netCDF mesh holds a grid's cells");
    }
    SeriesSteps series(job, request.steps, services.stop, options, [](const ConversionJob&) {});
    services.display.SetPanelText(kStatusPanel, "Creating shape file...");
    MeshFile file(services.files, request.path, DefinitionOf(job, request, options, crs));
    WriteGrid(job, file, services.stop);
    const std::size_t count = series.Count();
    for (std::size_t step = 0; step < count; ++step) {
        series.Load(step);
        if (count > 1) {
            services.display.SetStep(static_cast<int>(step + 1), static_cast<int>(count));
        }
        WriteStepValues(job, step, file, services);
    }
    StopWhenRequested(services.stop, file.Path());
    file.Finish();
    return series.Read();
}

}  // namespace tesselar

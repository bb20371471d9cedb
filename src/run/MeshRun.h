#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/ConversionJob.h"
#include "crs/CrsIdentity.h"
#include "readers/ReadFiles.h"
#include "readers/StepFiles.h"
#include "readers/StepTimes.h"
#include "run/RunConversion.h"

namespace tesselar {

// A grid's run (or one conversion: a single step) written as one UGRID mesh in a netCDF file.
struct MeshRequest {
    StepFiles steps;
    std::vector<StepTime> times;  // one per step, or none
    std::string path;
};

// Reads the grid once and writes it as the mesh's nodes and faces, then every step's values
// (held one step at a time) into the file at `request.path`, placed when complete: a failure
// or a stop leaves the destination as it was. Every step's attribute files are read to their
// "<BeginData>" line before any value is read. Returns the reading's summary; throws as
// ReadInputData and MeshFile do, and MeshFileError for particles, which make no mesh.
ReadSummary WriteMeshRun(ConversionJob& job, const MeshRequest& request,
                         ConversionServices services, const ConversionOptions& options,
                         const std::optional<CrsIdentity>& crs);

// Runs WriteMeshRun as RunConversion runs a conversion: the coordinate system first, every
// failure caught and returned, with the warnings of the reading.
ConversionOutcome RunMesh(ConversionJob& job, const MeshRequest& request,
                          ConversionServices services, const ConversionOptions& options);

}  // namespace tesselar

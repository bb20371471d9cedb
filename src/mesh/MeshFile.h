#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/shapefile/OutputFiles.h"
#include "crs/CrsIdentity.h"

namespace tesselar {

// What a mesh file holds: a structured grid of nodeRows x nodeColumns nodes (node (r, c), from
// 0, is node number r * nodeColumns + c), its cells as faces in the same order, and for every
// step one value per face of each attribute.
struct MeshDefinition {
    int nodeRows = 0;
    int nodeColumns = 0;
    std::vector<std::string> attributes;  // names as given
    std::size_t stepCount = 1;
    // The first step's time as UDUNITS writes it ("2024-01-01 00:00:00", UTC) and every step's
    // seconds after it; empty for a run without times, whose steps are numbered from 0.
    std::string timeOrigin;
    std::vector<double> timeSeconds;
    std::optional<double> noData;
    std::optional<CrsIdentity> crs;
};

// Writes one netCDF-4 file in the UGRID 1.0 and CF 1.8 conventions, through the netCDF
// library: the mesh topology, the nodes' coordinates and the faces' nodes (written once), a
// time coordinate, the coordinate system as a grid mapping, and one variable (time, face) of
// doubles per attribute. Every variable is stored contiguously, whole values, without being
// filled first. The file is written under a hidden temporary name in the destination's folder,
// locked while written, and moved into place replacing an earlier file under the folder's lock
// by Finish: until then the destination stays as it was, and a MeshFile destroyed before
// leaves nothing. Failures throw MeshFileError (or ShapeFileError for a file operation) naming
// the file.
class MeshFile {
public:
    MeshFile(OutputFileSystem& files, std::string path, const MeshDefinition& definition);
    ~MeshFile();
    MeshFile(const MeshFile&) = delete;
    MeshFile& operator=(const MeshFile&) = delete;

    // Row `row` of nodes: nodeColumns x and y values.
    void PutNodeRow(int row, const double* x, const double* y);
    // Row `row` of faces: four node numbers per face, nodeColumns - 1 faces.
    void PutFaceRow(int row, const std::int32_t* nodes);
    // The values of attribute `attribute` (from 0) on row `row` of faces in step `step`.
    void PutValueRow(std::size_t step, std::size_t attribute, int row, const double* values);
    // Closes the file, makes sure it is on the disk and puts it in place.
    void Finish();
    const std::string& Path() const { return path_; }

private:
    void Check(int status, const std::string& doing) const;
    void Define(const MeshDefinition& definition);

    OutputFileSystem& files_;
    std::string path_;
    NamedTemporary temporary_;
    int ncid_ = -1;
    int faceColumns_ = 0;
    int nodeXId_ = -1;
    int nodeYId_ = -1;
    int faceNodesId_ = -1;
    std::vector<int> valueIds_;
};

}  // namespace tesselar

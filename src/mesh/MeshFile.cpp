#include "mesh/MeshFile.h"

#include <array>
#include <cstdlib>

#include "controls/shapefile/FileReplacement.h"
#include "conversion/PrintableText.h"
#include "conversion/Version.h"
#include "mesh/CfGridMapping.h"
#include "mesh/MeshFileError.h"
#include "mesh/MeshVariableNames.h"
#include "mesh/NetcdfLibrary.h"

namespace tesselar {

namespace {

constexpr int kFaceCorners = 4;

// The temporary file is locked while written, so that the next conversion to this name leaves
// it alone (flock on a descriptor of its own). HDF5, beneath netCDF-4, would lock the file again
// through another descriptor and be refused: the lock already held does its work.
void LeaveLockingToTesselar() {
    ::setenv("HDF5_USE_FILE_LOCKING", "FALSE", 1);
}

void CheckCall(int status, const std::string& path, const std::string& doing) {
    if (status != NC_NOERR) {
        throw MeshFileError("cannot write the netCDF mesh '" + PrintableText(path) + "' (" + doing +
                            "): the netCDF library says: " + Netcdf().strerror(status));
    }
}

// Puts text and number attributes on one variable (or the file), checking each.
class Attributes {
public:
    Attributes(const std::string& path, int ncid, int varid)
        : path_(path), ncid_(ncid), varid_(varid) {}

    void Text(const std::string& name, const std::string& value) const {
        CheckCall(Netcdf().put_att_text(ncid_, varid_, name.c_str(), value.size(), value.c_str()),
                  path_, "attribute " + name);
    }
    void Int(const std::string& name, int value) const {
        CheckCall(Netcdf().put_att_int(ncid_, varid_, name.c_str(), NC_INT, 1, &value), path_,
                  "attribute " + name);
    }
    void Doubles(const std::string& name, const std::vector<double>& values) const {
        CheckCall(Netcdf().put_att_double(ncid_, varid_, name.c_str(), NC_DOUBLE, values.size(),
                                          values.data()),
                  path_, "attribute " + name);
    }

private:
    const std::string& path_;
    int ncid_;
    int varid_;
};

}  // namespace

MeshFile::MeshFile(OutputFileSystem& files, std::string path, const MeshDefinition& definition)
    : files_(files), path_(std::move(path)), faceColumns_(definition.nodeColumns - 1) {
    temporary_ = CreateNamedTemporary(path_);
    LeaveLockingToTesselar();
    // NC_CLOBBER truncates the temporary file in place: the locked file is the one written.
    Check(Netcdf().create(temporary_.path.c_str(), NC_CLOBBER | NC_NETCDF4, &ncid_), "creating it");
    try {
        Define(definition);
    } catch (...) {
        Netcdf().abort(ncid_);
        throw;
    }
}

MeshFile::~MeshFile() {
    if (ncid_ >= 0) {
        Netcdf().abort(ncid_);
    }
}

void MeshFile::Check(int status, const std::string& doing) const {
    CheckCall(status, path_, doing);
}

void MeshFile::Define(const MeshDefinition& definition) {
    const auto attributesOf = [this](int varid) { return Attributes(path_, ncid_, varid); };
    int previousFill = 0;
    Check(Netcdf().set_fill(ncid_, NC_NOFILL, &previousFill), "fill mode");
    const Attributes global = attributesOf(NC_GLOBAL);
    global.Text("Conventions", "CF-1.8 UGRID-1.0");
    global.Text("source", std::string("Nerasco Tesselar ") + kVersionText);

    const auto nodeCount = static_cast<std::size_t>(definition.nodeRows) *
                           static_cast<std::size_t>(definition.nodeColumns);
    const auto faceCount =
        static_cast<std::size_t>(definition.nodeRows - 1) * static_cast<std::size_t>(faceColumns_);
    int nodeDim = 0;
    int faceDim = 0;
    int cornerDim = 0;
    int timeDim = 0;
    Check(Netcdf().def_dim(ncid_, "node", nodeCount, &nodeDim), "dimension node");
    // A dimension of length 0 would be an unlimited one: a grid without cells has one face
    // dimension that stays empty.
    Check(Netcdf().def_dim(ncid_, "face", faceCount, &faceDim), "dimension face");
    Check(Netcdf().def_dim(ncid_, "max_face_nodes", kFaceCorners, &cornerDim),
          "dimension max_face_nodes");
    Check(Netcdf().def_dim(ncid_, kTimeVariable, definition.stepCount, &timeDim), "dimension time");

    const auto contiguous = [this, faceCount](int varid, const char* name) {
        if (faceCount > 0) {
            Check(Netcdf().def_var_chunking(ncid_, varid, NC_CONTIGUOUS, nullptr),
                  std::string("storage of ") + name);
        }
    };

    int meshId = 0;
    Check(Netcdf().def_var(ncid_, kMeshVariable, NC_INT, 0, nullptr, &meshId), "variable mesh");
    const Attributes mesh = attributesOf(meshId);
    mesh.Text("cf_role", "mesh_topology");
    mesh.Text("long_name", "Topology of the grid's cells");
    mesh.Int("topology_dimension", 2);
    mesh.Text("node_coordinates", std::string(kNodeXVariable) + " " + kNodeYVariable);
    mesh.Text("face_node_connectivity", kFaceNodesVariable);
    mesh.Text("face_dimension", "face");

    std::optional<CfGridMapping> mapping;
    if (definition.crs) {
        mapping = GridMappingOf(*definition.crs);
    }
    for (const bool isX : {true, false}) {
        const char* name = isX ? kNodeXVariable : kNodeYVariable;
        int& id = isX ? nodeXId_ : nodeYId_;
        Check(Netcdf().def_var(ncid_, name, NC_DOUBLE, 1, &nodeDim, &id),
              std::string("variable ") + name);
        contiguous(id, name);
        const Attributes node = attributesOf(id);
        node.Text("long_name", isX ? "x of the grid's nodes" : "y of the grid's nodes");
        if (mapping) {
            node.Text("standard_name", isX ? mapping->xStandardName : mapping->yStandardName);
            node.Text("units", isX ? mapping->xUnits : mapping->yUnits);
            node.Text("grid_mapping", kCrsVariable);
        }
    }

    const std::array<int, 2> faceCornerDims = {faceDim, cornerDim};
    Check(Netcdf().def_var(ncid_, kFaceNodesVariable, NC_INT, 2, faceCornerDims.data(),
                           &faceNodesId_),
          "variable mesh_face_nodes");
    contiguous(faceNodesId_, kFaceNodesVariable);
    const Attributes faces = attributesOf(faceNodesId_);
    faces.Text("cf_role", "face_node_connectivity");
    faces.Text("long_name", "the nodes of each cell, anticlockwise");
    faces.Int("start_index", 0);

    int timeId = 0;
    Check(Netcdf().def_var(ncid_, kTimeVariable, NC_DOUBLE, 1, &timeDim, &timeId), "variable time");
    const Attributes time = attributesOf(timeId);
    if (definition.timeOrigin.empty()) {
        time.Text("long_name", "step, counted from 0 (the run was given no times)");
        time.Text("units", "1");
    } else {
        time.Text("standard_name", "time");
        time.Text("long_name", "time");
        time.Text("units", "seconds since " + definition.timeOrigin);
        time.Text("calendar", "proleptic_gregorian");
    }
    time.Text("axis", "T");

    if (mapping) {
        int crsId = 0;
        Check(Netcdf().def_var(ncid_, kCrsVariable, NC_INT, 0, nullptr, &crsId), "variable crs");
        const Attributes crs = attributesOf(crsId);
        for (const auto& [name, value] : mapping->texts) {
            crs.Text(name, value);
        }
        for (const auto& [name, values] : mapping->numbers) {
            crs.Doubles(name, values);
        }
        for (const auto& [name, value] : mapping->integers) {
            crs.Int(name, value);
        }
    }

    const std::vector<std::string> names = MeshVariableNames(definition.attributes);
    const std::array<int, 2> timeFaceDims = {timeDim, faceDim};
    for (std::size_t a = 0; a < names.size(); ++a) {
        int id = 0;
        Check(Netcdf().def_var(ncid_, names[a].c_str(), NC_DOUBLE, 2, timeFaceDims.data(), &id),
              "variable " + names[a]);
        contiguous(id, names[a].c_str());
        const Attributes values = attributesOf(id);
        values.Text("long_name", definition.attributes[a]);
        values.Text("mesh", kMeshVariable);
        values.Text("location", "face");
        if (mapping) {
            values.Text("grid_mapping", kCrsVariable);
        }
        if (definition.noData) {
            values.Doubles("_FillValue", {*definition.noData});
        }
        valueIds_.push_back(id);
    }
    Check(Netcdf().enddef(ncid_), "ending its definition");

    std::vector<double> seconds = definition.timeSeconds;
    if (definition.timeOrigin.empty()) {
        for (std::size_t step = 0; step < definition.stepCount; ++step) {
            seconds.push_back(static_cast<double>(step));
        }
    }
    Check(Netcdf().put_var_double(ncid_, timeId, seconds.data()), "the times");
}

void MeshFile::PutNodeRow(int row, const double* x, const double* y) {
    const std::size_t columns = static_cast<std::size_t>(faceColumns_) + 1;
    const std::size_t start = static_cast<std::size_t>(row) * columns;
    Check(Netcdf().put_vara_double(ncid_, nodeXId_, &start, &columns, x), "node coordinates");
    Check(Netcdf().put_vara_double(ncid_, nodeYId_, &start, &columns, y), "node coordinates");
}

void MeshFile::PutFaceRow(int row, const std::int32_t* nodes) {
    const std::array<std::size_t, 2> start = {
        static_cast<std::size_t>(row) * static_cast<std::size_t>(faceColumns_), 0};
    const std::array<std::size_t, 2> count = {static_cast<std::size_t>(faceColumns_), kFaceCorners};
    Check(Netcdf().put_vara_int(ncid_, faceNodesId_, start.data(), count.data(), nodes),
          "face nodes");
}

void MeshFile::PutValueRow(std::size_t step, std::size_t attribute, int row, const double* values) {
    const std::array<std::size_t, 2> start = {
        step, static_cast<std::size_t>(row) * static_cast<std::size_t>(faceColumns_)};
    const std::array<std::size_t, 2> count = {1, static_cast<std::size_t>(faceColumns_)};
    Check(Netcdf().put_vara_double(ncid_, valueIds_.at(attribute), start.data(), count.data(),
                                   values),
          "values");
}

void MeshFile::Finish() {
    const int ncid = ncid_;
    ncid_ = -1;
    Check(Netcdf().close(ncid), "closing it");
    // On the disk before it has its name, so that a crash never leaves an empty file.
    temporary_.file->Close();
    PlaceReplacingFile(files_, *temporary_.file, path_);
}

}  // namespace tesselar

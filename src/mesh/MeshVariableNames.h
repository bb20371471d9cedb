#pragma once

#include <string>
#include <vector>

namespace tesselar {

// The names of the variables a mesh file holds besides its attributes.
inline constexpr const char* kMeshVariable = "mesh";
inline constexpr const char* kNodeXVariable = "mesh_node_x";
inline constexpr const char* kNodeYVariable = "mesh_node_y";
inline constexpr const char* kFaceNodesVariable = "mesh_face_nodes";
inline constexpr const char* kTimeVariable = "time";
inline constexpr const char* kCrsVariable = "crs";

// The variable name of each attribute, in order: its name with every character other than an
// ASCII letter, digit or underscore made an underscore, "v_" before one that does not begin
// with a letter, and "_1", "_2" ... after one that another variable already has, so that
// every tool that reads netCDF (and CF's rules for names) takes them. The attribute's own name
// stays in the variable's long_name.
std::vector<std::string> MeshVariableNames(const std::vector<std::string>& attributeNames);

}  // namespace tesselar

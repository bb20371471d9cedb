#pragma once

#include <string>
#include <vector>

namespace tesselar::bench {

struct AttributeArgument {
    std::string name;
    std::string file;
};

// One conversion as tesselar-convert takes it on its command line, so that every program of
// the benchmark runs the very same job.
struct JobArguments {
    std::string xFile;
    std::string yFile;
    std::vector<AttributeArgument> attributes;
    std::string output;  // the .shp path
    bool polygons = true;
};

// Parses -x X_FILE -y Y_FILE -a NAME=FILE [-a ...] -o OUTPUT.shp [-t polygon|point] [-q].
// Throws std::invalid_argument naming what is wrong.
JobArguments ParseJobArguments(int argc, char** argv);

// The output path without its ".shp", the stem the .shx and .dbf share.
std::string OutputStem(const JobArguments& job);

}  // namespace tesselar::bench

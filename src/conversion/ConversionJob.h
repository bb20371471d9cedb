#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "conversion/ZeroedArray.h"

namespace tesselar {

inline constexpr int kMaxAttributes = 50;

// The kind of shape file a conversion builds: a polygon per grid cell or a point per particle.
enum class ShapeType { Polygon, Point };

// "Polygon" or "Point", as messages name the kind.
const char* ShapeTypeText(ShapeType type);

// Everything one conversion shares between the window (or the command line), the reader and
// the writer. The program owns exactly one and passes it by reference; it is never copied.
//
// Polygon mode: XCoords/YCoords hold nodes (1..IMax+1, 1..JMax+1) and AttribValues cells
// (1..AttribCount, 1..IMax, 1..JMax). Point mode: IMax points at (p, 1), JMax is 1. Index 0
// of every dimension exists and stays 0.0.
struct ConversionJob {
    ConversionJob() = default;
    ConversionJob(const ConversionJob&) = delete;
    ConversionJob& operator=(const ConversionJob&) = delete;

    std::int16_t IMax = 0;
    std::int16_t JMax = 0;
    std::string ShapeFolder;
    std::string XAxysFile;
    std::string YAxysFile;
    std::array<std::string, kMaxAttributes + 1> AttribNames;  // slot 0 unused
    std::array<std::string, kMaxAttributes + 1> AttribFiles;  // slot 0 unused
    std::int16_t AttribCount = 0;
    Array2D XCoords;
    Array2D YCoords;
    Array3D AttribValues;
    std::string ShapeFileName;
    tesselar::ShapeType ShapeType = tesselar::ShapeType::Polygon;
};

// Stores an attribute in the next free slot. Returns false, storing nothing, when all
// kMaxAttributes slots are taken.
bool AppendAttribute(ConversionJob& job, const std::string& name, const std::string& file);

// ShapeFolder, the path separator, ShapeFileName and ".shp", joined as they stand.
std::string ShapeFilePath(const ConversionJob& job);

}  // namespace tesselar

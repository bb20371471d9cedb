#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "readers/StepTimes.h"

namespace tesselar {

// Where in an output name a step puts its number ("{step}", zero-padded to the width of the
// step count) and its time ("{time}", "20240101T000000Z").
inline constexpr const char* kStepPlaceholder = "{step}";
inline constexpr const char* kTimePlaceholder = "{time}";

// Whether the .shp path holds "{step}" or "{time}" in its file name.
bool HasStepPlaceholder(const std::string& shpPath);

// Refuses an output path that cannot take a run of `count` steps: a GeoPackage or FlatGeobuf
// file (which holds every step) with "{step}" or "{time}"; a shapefile, one per step, without
// them (for more than one step), "{time}" for a run without times, or a placeholder in the
// folder rather than the file name. Throws StepSeriesError.
void CheckStepOutput(const std::string& shpPath, std::size_t count, bool hasTimes);

// The .shp path of step `step` (from 0) of `count`: the placeholders replaced.
std::string StepShpPath(const std::string& shpPath, std::size_t step, std::size_t count,
                        const std::optional<StepTime>& time);

}  // namespace tesselar

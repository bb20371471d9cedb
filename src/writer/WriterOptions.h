#pragma once

#include <optional>

namespace tesselar {

// How the writer lays out the attribute table. The default writes every attribute as a numeric
// column 10 characters wide with 5 decimals, and every value as it stands.
struct WriterOptions {
    // Each attribute column as wide, with as many decimals, as its values need (PlanColumn).
    bool fitColumns = false;
    // Integer columns "I" and "J" (a cell's i and j, from 1) for polygons, "I" (the particle's
    // number) for points, before the attribute columns.
    bool cellIndex = false;
    // An attribute value equal to this is written as null. It is compared with the values as
    // they stand in the job, so it must be rounded as the reader rounded them.
    std::optional<double> noData;
    // A model run's columns before all others: "STEP" (the step's number, from 1) and, for a
    // run with times, "TIME" (the step's time as ISO 8601 UTC text).
    bool stepColumn = false;
    bool timeColumn = false;
};

// How many cell index columns `options` ask for: I and J for polygons, I for points.
inline int CellIndexColumns(const WriterOptions& options, bool polygons) {
    if (!options.cellIndex) {
        return 0;
    }
    return polygons ? 2 : 1;
}

// How many columns, and bytes of a record, the STEP and TIME columns `options` ask for take.
int StepColumns(const WriterOptions& options);
int StepColumnsBytes(const WriterOptions& options);

}  // namespace tesselar

#pragma once

#include <array>
#include <string>

namespace tesselar {

// One shape as the writing loop hands it over: a cell's four corners, nodes (i, j), (i+1, j),
// (i+1, j+1) and (i, j+1), or a particle's single point, with the cell's i and j (the
// particle's number and 1).
struct LoopShape {
    int i = 0;
    int j = 0;
    int corners = 0;  // 4 for a cell, 1 for a particle
    std::array<double, 4> x{};
    std::array<double, 4> y{};
};

// Where the writing loop puts its shapes: one output format. The loop calls Add for every shape
// in grid order (j fastest), then Finish; a sink destroyed before Finish has returned leaves
// the destination as it was.
class ShapeSink {
public:
    virtual ~ShapeSink() = default;
    virtual void Add(const LoopShape& shape) = 0;
    // Completes the output and puts it in place.
    virtual void Finish() = 0;
    // The path written, for messages.
    virtual const std::string& Path() const = 0;
};

}  // namespace tesselar

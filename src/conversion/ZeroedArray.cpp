#include "conversion/ZeroedArray.h"

#include <string>

#include "conversion/ConversionError.h"

namespace tesselar {

namespace {

std::size_t Extent(int upper, const char* what) {
    if (upper < 0) {
        throw IndexError(std::string("cannot create ") + what + ": an upper bound of " +
                         std::to_string(upper) + " leaves it without elements");
    }
    return static_cast<std::size_t>(upper) + 1;
}

[[noreturn]] void ThrowOutOfRange(const char* what, const std::string& index,
                                  const std::string& bounds) {
    throw IndexError("index " + index + " lies outside " + what + " " + bounds);
}

std::string Bounds(int upper) { return "0 to " + std::to_string(upper); }

}  // namespace

ZeroedDoubles::ZeroedDoubles(std::size_t count, const char* what) : size_(count) {
    data_.reset(static_cast<double*>(std::calloc(count == 0 ? 1 : count, sizeof(double))));
    if (!data_) {
        throw ConversionError(std::string("not enough memory for ") + what + " (" +
                              std::to_string(count) + " values)");
    }
}

Array2D::Array2D(int upperI, int upperJ, const char* what)
    : values_(Extent(upperI, what) * Extent(upperJ, what), what),
      upperI_(upperI),
      upperJ_(upperJ),
      what_(what) {}

std::size_t Array2D::Offset(int i, int j) const {
    if (i < 0 || i > upperI_ || j < 0 || j > upperJ_) {
        ThrowOutOfRange(what_, "(" + std::to_string(i) + ", " + std::to_string(j) + ")",
                        "(" + Bounds(upperI_) + ", " + Bounds(upperJ_) + ")");
    }
    return static_cast<std::size_t>(i) * (static_cast<std::size_t>(upperJ_) + 1) +
           static_cast<std::size_t>(j);
}

Array3D::Array3D(int upperK, int upperI, int upperJ, const char* what)
    : values_(Extent(upperK, what) * Extent(upperI, what) * Extent(upperJ, what), what),
      upperK_(upperK),
      upperI_(upperI),
      upperJ_(upperJ),
      what_(what) {}

std::size_t Array3D::Offset(int k, int i, int j) const {
    if (k < 0 || k > upperK_ || i < 0 || i > upperI_ || j < 0 || j > upperJ_) {
        ThrowOutOfRange(what_,
                        "(" + std::to_string(k) + ", " + std::to_string(i) + ", " +
                            std::to_string(j) + ")",
                        "(" + Bounds(upperK_) + ", " + Bounds(upperI_) + ", " +
                            Bounds(upperJ_) + ")");
    }
    const auto rows = static_cast<std::size_t>(upperI_) + 1;
    const auto columns = static_cast<std::size_t>(upperJ_) + 1;
    return (static_cast<std::size_t>(k) * rows + static_cast<std::size_t>(i)) * columns +
           static_cast<std::size_t>(j);
}

}  // namespace tesselar

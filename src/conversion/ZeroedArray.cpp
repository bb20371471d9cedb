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

[[noreturn]] void ThrowIndexError(const char* what, const std::string& index,
                                  const std::string& bounds) {
    throw IndexError("index " + index + " lies outside " + what + " " + bounds);
}

std::string Bounds(int upper) {
    return "0 to " + std::to_string(upper);
}

}  // namespace

ZeroedDoubles::ZeroedDoubles(std::size_t count, const char* what) {
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

void Array2D::ThrowOutOfRange(int i, int j) const {
    ThrowIndexError(what_, "(" + std::to_string(i) + ", " + std::to_string(j) + ")",
                    "(" + Bounds(upperI_) + ", " + Bounds(upperJ_) + ")");
}

Array3D::Array3D(int upperK, int upperI, int upperJ, const char* what)
    : values_(Extent(upperK, what) * Extent(upperI, what) * Extent(upperJ, what), what),
      upperK_(upperK),
      upperI_(upperI),
      upperJ_(upperJ),
      what_(what) {}

void Array3D::ThrowOutOfRange(int k, int i, int j) const {
    ThrowIndexError(
        what_, "(" + std::to_string(k) + ", " + std::to_string(i) + ", " + std::to_string(j) + ")",
        "(" + Bounds(upperK_) + ", " + Bounds(upperI_) + ", " + Bounds(upperJ_) + ")");
}

}  // namespace tesselar

#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace tesselar {

// Storage of doubles that are all 0.0 when created. calloc hands large blocks out as untouched
// pages, so creating an array costs no time or resident memory until its elements are written.
class ZeroedDoubles {
public:
    ZeroedDoubles() = default;
    // Throws ConversionError when the memory cannot be had; `what` names the array.
    ZeroedDoubles(std::size_t count, const char* what);

    double* data() { return data_.get(); }
    const double* data() const { return data_.get(); }

private:
    struct Free {
        void operator()(double* p) const { std::free(p); }
    };
    std::unique_ptr<double[], Free> data_;
};

// A two-dimensional array of doubles indexed (i, j), each index running from 0 to its upper
// bound; j varies fastest in memory.
class Array2D {
public:
    Array2D() = default;  // an array that does not exist yet
    Array2D(int upperI, int upperJ, const char* what);

    bool Exists() const { return values_.data() != nullptr; }
    int UpperI() const { return upperI_; }
    int UpperJ() const { return upperJ_; }

    // Checked access: an index outside the bounds throws IndexError.
    double& at(int i, int j) { return values_.data()[Offset(i, j)]; }
    double at(int i, int j) const { return values_.data()[Offset(i, j)]; }
    // Row i, its elements (i, 0) to (i, UpperJ()), checked once for loops that run along j.
    double* Row(int i) { return values_.data() + Offset(i, 0); }
    const double* Row(int i) const { return values_.data() + Offset(i, 0); }

private:
    // Inline: the writer reads every element through here, a million times per second.
    std::size_t Offset(int i, int j) const {
        if (i < 0 || i > upperI_ || j < 0 || j > upperJ_) [[unlikely]] {
            ThrowOutOfRange(i, j);
        }
        return static_cast<std::size_t>(i) * (static_cast<std::size_t>(upperJ_) + 1) +
               static_cast<std::size_t>(j);
    }
    [[noreturn]] void ThrowOutOfRange(int i, int j) const;

    ZeroedDoubles values_;
    int upperI_ = -1;
    int upperJ_ = -1;
    const char* what_ = "";
};

// A three-dimensional array of doubles indexed (k, i, j), each from 0 to its upper bound.
class Array3D {
public:
    Array3D() = default;
    Array3D(int upperK, int upperI, int upperJ, const char* what);

    bool Exists() const { return values_.data() != nullptr; }
    int UpperK() const { return upperK_; }
    int UpperI() const { return upperI_; }
    int UpperJ() const { return upperJ_; }

    double& at(int k, int i, int j) { return values_.data()[Offset(k, i, j)]; }
    double at(int k, int i, int j) const { return values_.data()[Offset(k, i, j)]; }

private:
    std::size_t Offset(int k, int i, int j) const {
        if (k < 0 || k > upperK_ || i < 0 || i > upperI_ || j < 0 || j > upperJ_) [[unlikely]] {
            ThrowOutOfRange(k, i, j);
        }
        const auto rows = static_cast<std::size_t>(upperI_) + 1;
        const auto columns = static_cast<std::size_t>(upperJ_) + 1;
        return (static_cast<std::size_t>(k) * rows + static_cast<std::size_t>(i)) * columns +
               static_cast<std::size_t>(j);
    }
    [[noreturn]] void ThrowOutOfRange(int k, int i, int j) const;

    ZeroedDoubles values_;
    int upperK_ = -1;
    int upperI_ = -1;
    int upperJ_ = -1;
    const char* what_ = "";
};

}  // namespace tesselar

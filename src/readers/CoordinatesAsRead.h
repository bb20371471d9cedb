#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "conversion/ZeroedArray.h"

namespace tesselar {

// The coordinates of one axys file with every digit as read, kept beside their values rounded
// to hundredths as what the rounding took off: a byte per value in ten-thousandths, which holds
// every value written with up to 4 decimals, and the value itself, in an array that takes no
// memory until written, for the rest. The grid needs its coordinates as read only where
// rounding would change a cell, and then in place of the rounded ones.
class CoordinatesAsRead {
public:
    CoordinatesAsRead() = default;
    // For the indices (0..upperI, 0..upperJ); `what` names the array in messages.
    CoordinatesAsRead(int upperI, int upperJ, const char* what);

    // Keeps the value at (i, j) as read, `exact`, beside `rounded`, its value rounded.
    void Keep(int i, int j, double rounded, double exact) {
        if (exact != rounded) {
            KeepDifferent(i, j, rounded, exact);
        }
    }
    // The value at (i, j) as read, whose value rounded is `rounded`.
    double At(int i, int j, double rounded) const {
        const std::int8_t code = codes_.get()[Offset(i, j)];
        return code == 0 ? rounded : Decoded(i, j, rounded, code);
    }
    // Puts the values as read in place of the rounded ones in `rounded`, of the same extent.
    void Restore(Array2D& rounded) const;

private:
    std::size_t Offset(int i, int j) const {
        return static_cast<std::size_t>(i) * columns_ + static_cast<std::size_t>(j);
    }
    void KeepDifferent(int i, int j, double rounded, double exact);
    double Decoded(int i, int j, double rounded, std::int8_t code) const;

    struct Free {
        void operator()(std::int8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::int8_t[], Free> codes_;
    std::size_t columns_ = 0;
    Array2D kept_;  // the values that no code holds
};

}  // namespace tesselar

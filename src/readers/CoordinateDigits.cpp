#include "readers/CoordinateDigits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <unordered_map>

namespace tesselar {

namespace {

// Values below this many hundredths are whole numbers of hundredths exactly once scaled by 100.
constexpr double kLargestExactHundredths = 4.5e15;

// Products of two differences of hundredths, which pass 64 bits.
__extension__ typedef __int128 Wide;

// A cell's four corners, in ring order: (i, j), (i+1, j), (i+1, j+1), (i, j+1).
struct Corners {
    std::array<double, 4> x;
    std::array<double, 4> y;
};

Corners CellCorners(NodeCoordinates nodes, int i, int j) {
    return {
        {nodes.x.at(i, j), nodes.x.at(i + 1, j), nodes.x.at(i + 1, j + 1), nodes.x.at(i, j + 1)},
        {nodes.y.at(i, j), nodes.y.at(i + 1, j), nodes.y.at(i + 1, j + 1), nodes.y.at(i, j + 1)}};
}

// The shoelace formula's four products, from the differences to the first corner: twice the
// area is products[0] - products[1] + products[2] - products[3].
template <class Number>
std::array<Number, 4> ShoelaceProducts(const std::array<Number, 4>& x,
                                       const std::array<Number, 4>& y) {
    const Number dx1 = x[1] - x[0], dy1 = y[1] - y[0];
    const Number dx2 = x[2] - x[0], dy2 = y[2] - y[0];
    const Number dx3 = x[3] - x[0], dy3 = y[3] - y[0];
    return {dx1 * dy2, dx2 * dy1, dx2 * dy3, dx3 * dy2};
}

template <class Number>
Number TwiceArea(const std::array<Number, 4>& products) {
    return products[0] - products[1] + products[2] - products[3];
}

// Whether the rounded corners enclose an area that the double products show beyond any doubt,
// which saves nearly every cell the exact test. Each corner lies within eps x the largest
// coordinate M of its whole hundredths and each difference within 4 eps M of its exact value,
// which moves each product by at most 2M x 2 x 4 eps M and their sum by four times that, besides
// the rounding of the products and their sum.
bool PlainlyEnclosesArea(const Corners& rounded) {
    double largest = 0.0;
    for (std::size_t corner = 0; corner < 4; ++corner) {
        largest = std::max({largest, std::abs(rounded.x[corner]), std::abs(rounded.y[corner])});
    }
    const std::array<double, 4> products = ShoelaceProducts(rounded.x, rounded.y);
    double magnitude = 0.0;
    for (const double product : products) {
        magnitude += std::abs(product);
    }
    constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
    const double differenceError = 4 * kEpsilon * largest;
    const double bound = 4 * (4 * largest * differenceError + differenceError * differenceError) +
                         8 * kEpsilon * magnitude;
    return std::abs(TwiceArea(products)) > 2 * bound;
}

// Rounded corners hold whole hundredths: in integers their area is exactly zero or not.
bool EnclosesNoArea(const Corners& rounded) {
    if (PlainlyEnclosesArea(rounded)) {
        return false;
    }
    std::array<Wide, 4> x{};
    std::array<Wide, 4> y{};
    for (std::size_t corner = 0; corner < 4; ++corner) {
        const double hundredthsX = rounded.x[corner] * 100.0;
        const double hundredthsY = rounded.y[corner] * 100.0;
        if (!(std::abs(hundredthsX) < kLargestExactHundredths &&
              std::abs(hundredthsY) < kLargestExactHundredths)) {
            return TwiceArea(ShoelaceProducts(rounded.x, rounded.y)) == 0.0;
        }
        x[corner] = std::llround(hundredthsX);
        y[corner] = std::llround(hundredthsY);
    }
    return TwiceArea(ShoelaceProducts(x, y)) == 0;
}

// Corners as read: an area within the rounding error of the products counts as none, so that
// a cell read without area is not taken for one that has it.
bool EnclosesArea(const Corners& read) {
    const std::array<double, 4> products = ShoelaceProducts(read.x, read.y);
    double magnitude = 0.0;
    for (const double product : products) {
        magnitude += std::abs(product);
    }
    return std::abs(TwiceArea(products)) > 8 * std::numeric_limits<double>::epsilon() * magnitude;
}

struct Position {
    double x;
    double y;
    friend bool operator==(const Position&, const Position&) = default;
};

struct PositionHash {
    std::size_t operator()(const Position& position) const {
        const std::size_t hashX = std::hash<double>{}(position.x);
        return hashX ^ (std::hash<double>{}(position.y) + 0x9e3779b97f4a7c15ULL + (hashX << 6) +
                        (hashX >> 2));
    }
};

}  // namespace

std::int64_t CellsLosingArea(NodeCoordinates rounded, NodeCoordinates withDigits, int iMax,
                             int jMax) {
    std::int64_t cells = 0;
    for (int i = 1; i <= iMax; ++i) {
        for (int j = 1; j <= jMax; ++j) {
            if (EnclosesNoArea(CellCorners(rounded, i, j)) &&
                EnclosesArea(CellCorners(withDigits, i, j))) {
                ++cells;
            }
        }
    }
    return cells;
}

std::int64_t ParticlesCoinciding(NodeCoordinates rounded, NodeCoordinates withDigits, int count) {
    // Per rounded position: the first particle's position as read, how many particles round
    // to it, and whether any of them lies elsewhere as read.
    struct Sharing {
        Position firstRead;
        std::int64_t particles = 0;
        bool apart = false;
    };
    std::unordered_map<Position, Sharing, PositionHash> byRounded;
    for (int p = 1; p <= count; ++p) {
        const Position read{withDigits.x.at(p, 1), withDigits.y.at(p, 1)};
        Sharing& sharing =
            byRounded.try_emplace({rounded.x.at(p, 1), rounded.y.at(p, 1)}, Sharing{read})
                .first->second;
        ++sharing.particles;
        sharing.apart = sharing.apart || !(sharing.firstRead == read);
    }
    std::int64_t particles = 0;
    for (const auto& [position, sharing] : byRounded) {
        particles += sharing.apart ? sharing.particles : 0;
    }
    return particles;
}

}  // namespace tesselar

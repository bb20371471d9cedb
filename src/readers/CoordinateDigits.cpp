#include "readers/CoordinateDigits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tesselar {

namespace {

// Rounded coordinates below this many hundredths (10^10 m in metres) are whole numbers of
// hundredths exactly once scaled by 100 and rounded to the nearest whole number, and the digits
// read lie within 2^-10 hundredths of the decimal number they stand for.
constexpr double kLargestExactHundredths = 0x1p40;
// Adding and taking away 1.5 x 2^52 rounds a double below 2^51 to the nearest whole number.
constexpr double kRoundingShift = 0x1.8p52;
// Cells whose edges' components, in hundredths, add up to less than this have every
// difference, product and twice their area below 2^53 in hundredths: exact in doubles.
constexpr double kLargestExactEdges = 0x1p25;
// A cell's area may change by this part of it before rounding counts as changing it.
constexpr double kAreaTolerance = 0.01;

// Products of two differences of hundredths, which pass 64 bits.
__extension__ typedef __int128 Wide;

template <class Number>
struct Point {
    Number x;
    Number y;
    friend bool operator==(const Point&, const Point&) = default;
};

// A cell's four corners in ring order: (i, j), (i+1, j), (i+1, j+1), (i, j+1).
template <class Number>
using Ring = std::array<Point<Number>, 4>;

Point<double> NodeAt(NodeCoordinates nodes, int i, int j) {
    return {nodes.x.at(i, j), nodes.y.at(i, j)};
}

Point<double> NodeAsReadAt(NodeCoordinates rounded, NodesAsRead read, int i, int j) {
    return {read.x.At(i, j, rounded.x.at(i, j)), read.y.At(i, j, rounded.y.at(i, j))};
}

Ring<double> CellRing(NodeCoordinates nodes, int i, int j) {
    return {NodeAt(nodes, i, j), NodeAt(nodes, i + 1, j), NodeAt(nodes, i + 1, j + 1),
            NodeAt(nodes, i, j + 1)};
}

Ring<double> CellRingAsRead(NodeCoordinates rounded, NodesAsRead read, int i, int j) {
    return {NodeAsReadAt(rounded, read, i, j), NodeAsReadAt(rounded, read, i + 1, j),
            NodeAsReadAt(rounded, read, i + 1, j + 1), NodeAsReadAt(rounded, read, i, j + 1)};
}

// A rounded coordinate as its whole number of hundredths, held in a double.
double Hundredths(double rounded) {
    return (rounded * 100.0 + kRoundingShift) - kRoundingShift;
}

// Twice the signed area of a ring, from its diagonals.
template <class Product, class Number>
Product TwiceArea(const Ring<Number>& ring) {
    return Product(ring[2].x - ring[0].x) * Product(ring[3].y - ring[1].y) -
           Product(ring[2].y - ring[0].y) * Product(ring[3].x - ring[1].x);
}

// How far the rounded coordinates reach, in hundredths.
struct Reach {
    bool exact = false;       // every one lies below kLargestExactHundredths
    bool shortEdges = false;  // any two of x, or of y, lie less than kLargestExactEdges apart
};

Reach ReachOf(NodeCoordinates rounded, int upperI, int upperJ) {
    Reach reach{true, true};
    for (const Array2D* nodes : {&rounded.x, &rounded.y}) {
        double least = nodes->at(1, 1);
        double most = least;
        for (int i = 1; i <= upperI; ++i) {
            const double* row = nodes->Row(i);
            for (int j = 1; j <= upperJ; ++j) {
                least = std::min(least, row[j]);
                most = std::max(most, row[j]);
            }
        }
        reach.exact &= std::max(-least, most) * 100.0 < kLargestExactHundredths;
        reach.shortEdges &= (most - least) * 100.0 < kLargestExactEdges / 2;
    }
    return reach;
}

// Whether rounding plainly left a cell as it was read, judged on its rounded corners alone in
// exact whole hundredths: its sides from (i, j) to (i+1, j) (`left`), from (i, j+1) to
// (i+1, j+1) (`right`), from (i, j) to (i, j+1) (`top`) and from (i+1, j) to (i+1, j+1)
// (`bottom`). Edges whose components add up to less than kLargestExactEdges keep every product
// and sum exact in doubles (kCheckEdges when the reach does not show that for every cell).
// Rounding moved each corner by at most half a hundredth in x and in y (and the reading's
// error, far below 2^-10 hundredths at these sizes), so each diagonal component by at most 1 and
// twice the area by at most the sum of the diagonal components' sizes plus 2. When 101 times
// that stays below twice the rounded area, the area as read differs from it by less than 1%. A
// ring that turns the same way at every corner is convex: its edges meet only at its corners.
template <bool kCheckEdges>
bool PlainlyKept(const Point<double>& left, const Point<double>& right, const Point<double>& top,
                 const Point<double>& bottom) {
    const bool edgesExact = !kCheckEdges || std::abs(left.x) + std::abs(left.y) +
                                                    std::abs(right.x) + std::abs(right.y) +
                                                    std::abs(top.x) + std::abs(top.y) +
                                                    std::abs(bottom.x) + std::abs(bottom.y) <
                                                kLargestExactEdges;
    // The turns at the four corners of the ring (i, j), (i+1, j), (i+1, j+1), (i, j+1); twice
    // the area is half their sum.
    const double t0 = left.x * top.y - left.y * top.x;
    const double t1 = left.x * bottom.y - left.y * bottom.x;
    const double t2 = right.x * bottom.y - right.y * bottom.x;
    const double t3 = right.x * top.y - right.y * top.x;
    const double twiceArea = ((t0 + t1) + (t2 + t3)) * 0.5;
    // The diagonals: left + bottom and top - left.
    const double diagonalSpan = std::abs(left.x + bottom.x) + std::abs(left.y + bottom.y) +
                                std::abs(top.x - left.x) + std::abs(top.y - left.y);
    const double change = diagonalSpan * (1.0 + 0x1p-10) + 3.0;
    const double leastTurn = std::min(std::min(t0, t1), std::min(t2, t3));
    const double mostTurn = std::max(std::max(t0, t1), std::max(t2, t3));
    return edgesExact && 101.0 * change < std::abs(twiceArea) &&
           (leastTurn > 0.0 || mostTurn < 0.0);
}

// The corners of one row of nodes in whole hundredths, from the rounded coordinates.
void RowInHundredths(const double* x, const double* y, int upperJ, std::vector<double>& xOut,
                     std::vector<double>& yOut) {
    for (int j = 1; j <= upperJ; ++j) {
        xOut[static_cast<std::size_t>(j)] = Hundredths(x[j]);
        yOut[static_cast<std::size_t>(j)] = Hundredths(y[j]);
    }
}

// For the cells of the rows of nodes `x0`, `y0` and `x1`, `y1` (in hundredths) from 1 to
// jMax, whether rounding plainly left each as it was (1) or it needs a closer look (0). Held
// as doubles, so that the compiler judges two cells at once.
template <bool kCheckEdges>
void MarkPlainlyKept(const double* x0, const double* y0, const double* x1, const double* y1,
                     int jMax, double* kept) {
    for (int j = 1; j <= jMax; ++j) {
        const Point<double> left{x1[j] - x0[j], y1[j] - y0[j]};
        const Point<double> right{x1[j + 1] - x0[j + 1], y1[j + 1] - y0[j + 1]};
        const Point<double> top{x0[j + 1] - x0[j], y0[j + 1] - y0[j]};
        const Point<double> bottom{x1[j + 1] - x1[j], y1[j + 1] - y1[j]};
        kept[j] = PlainlyKept<kCheckEdges>(left, right, top, bottom) ? 1.0 : 0.0;
    }
}

// The sign of the turn from a to b to c: 1 left, -1 right, 0 on one line.
template <class Number>
int Turn(const Point<Number>& a, const Point<Number>& b, const Point<Number>& c) {
    using Product = std::conditional_t<std::is_integral_v<Number>, Wide, double>;
    const Product cross =
        Product(b.x - a.x) * Product(c.y - a.y) - Product(b.y - a.y) * Product(c.x - a.x);
    return (cross > 0) - (cross < 0);
}

// Whether c, on the line through a and b, lies on the segment from a to b.
template <class Number>
bool WithinBox(const Point<Number>& a, const Point<Number>& b, const Point<Number>& c) {
    return std::min(a.x, b.x) <= c.x && c.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= c.y &&
           c.y <= std::max(a.y, b.y);
}

// Whether the segments p1-p2 and q1-q2 cross or touch.
template <class Number>
bool SegmentsMeet(const Point<Number>& p1, const Point<Number>& p2, const Point<Number>& q1,
                  const Point<Number>& q2) {
    const int t1 = Turn(p1, p2, q1);
    const int t2 = Turn(p1, p2, q2);
    const int t3 = Turn(q1, q2, p1);
    const int t4 = Turn(q1, q2, p2);
    if (t1 * t2 < 0 && t3 * t4 < 0) {
        return true;
    }
    return (t1 == 0 && WithinBox(p1, p2, q1)) || (t2 == 0 && WithinBox(p1, p2, q2)) ||
           (t3 == 0 && WithinBox(q1, q2, p1)) || (t4 == 0 && WithinBox(q1, q2, p2));
}

// Whether a ring is a polygon that GIS programs take as valid: with its repeated corners taken
// out, at least three corners that do not lie on one line, and edges that meet only where they
// follow one another, without folding back.
template <class Number>
bool IsValidRing(const Ring<Number>& ring) {
    Ring<Number> corners{};
    std::size_t count = 0;
    for (const Point<Number>& corner : ring) {
        if (count == 0 || !(corners[count - 1] == corner)) {
            corners[count++] = corner;
        }
    }
    while (count > 1 && corners[count - 1] == corners[0]) {
        --count;
    }
    if (count < 3) {
        return false;
    }
    if (count == 3) {
        return Turn(corners[0], corners[1], corners[2]) != 0;
    }
    if (SegmentsMeet(corners[0], corners[1], corners[2], corners[3]) ||
        SegmentsMeet(corners[1], corners[2], corners[3], corners[0])) {
        return false;
    }
    bool anyTurn = false;
    for (std::size_t corner = 0; corner < 4; ++corner) {
        const Point<Number>& before = corners[corner];
        const Point<Number>& at = corners[(corner + 1) % 4];
        const Point<Number>& after = corners[(corner + 2) % 4];
        if (Turn(before, at, after) != 0) {
            anyTurn = true;
        } else if (!WithinBox(before, after, at)) {
            return false;  // the ring folds back on itself at `at`
        }
    }
    return anyTurn;
}

// Corners as read: an area within the rounding error of the products counts as none, so that
// a cell read without area is not taken for one that has it.
bool EnclosesArea(const Ring<double>& read) {
    const double twiceArea = TwiceArea<double>(read);
    const double magnitude = std::abs((read[2].x - read[0].x) * (read[3].y - read[1].y)) +
                             std::abs((read[2].y - read[0].y) * (read[3].x - read[1].x));
    return std::abs(twiceArea) > 8 * std::numeric_limits<double>::epsilon() * magnitude;
}

// The rounded ring as whole hundredths, when they are exact: its area and its crossings are
// then judged exactly.
bool InHundredths(const Ring<double>& rounded, Ring<std::int64_t>& hundredths) {
    for (std::size_t corner = 0; corner < 4; ++corner) {
        const Point<double> exact = {Hundredths(rounded[corner].x), Hundredths(rounded[corner].y)};
        if (!(std::abs(exact.x) < kLargestExactHundredths &&
              std::abs(exact.y) < kLargestExactHundredths)) {
            return false;
        }
        hundredths[corner] = {static_cast<std::int64_t>(exact.x),
                              static_cast<std::int64_t>(exact.y)};
    }
    return true;
}

// Whether rounding changes a cell that has an area as read: its area by more than 1%, or its
// ring from a valid polygon into one that is not (no area, edges crossing or touching).
bool ChangedByRounding(const Ring<double>& rounded, const Ring<double>& read) {
    if (!EnclosesArea(read)) {
        return false;
    }
    const double twiceAreaRead = TwiceArea<double>(read);
    if (std::abs(TwiceArea<double>(rounded) - twiceAreaRead) >
        kAreaTolerance * std::abs(twiceAreaRead)) {
        return true;
    }
    Ring<std::int64_t> hundredths{};
    const bool roundedValid =
        InHundredths(rounded, hundredths) ? IsValidRing(hundredths) : IsValidRing(rounded);
    return !roundedValid && IsValidRing(read);
}

struct PositionHash {
    std::size_t operator()(const Point<double>& position) const {
        const std::size_t hashX = std::hash<double>{}(position.x);
        return hashX ^ (std::hash<double>{}(position.y) + 0x9e3779b97f4a7c15ULL + (hashX << 6) +
                        (hashX >> 2));
    }
};

}  // namespace

std::int64_t CellsChangedByRounding(NodeCoordinates rounded, NodesAsRead withDigits, int iMax,
                                    int jMax) {
    const Reach reach = ReachOf(rounded, iMax + 1, jMax + 1);
    const auto nodes = static_cast<std::size_t>(jMax) + 2;
    // The corners in whole hundredths along the rows i and i+1.
    std::vector<double> x0(nodes);
    std::vector<double> y0(nodes);
    std::vector<double> x1(nodes);
    std::vector<double> y1(nodes);
    // Unless the hundredths are exact, every cell stays marked for a closer look.
    std::vector<double> kept(nodes);
    if (reach.exact) {
        RowInHundredths(rounded.x.Row(1), rounded.y.Row(1), jMax + 1, x0, y0);
    }
    std::int64_t cells = 0;
    for (int i = 1; i <= iMax; ++i) {
        if (reach.exact) {
            RowInHundredths(rounded.x.Row(i + 1), rounded.y.Row(i + 1), jMax + 1, x1, y1);
            const auto mark = reach.shortEdges ? MarkPlainlyKept<false> : MarkPlainlyKept<true>;
            mark(x0.data(), y0.data(), x1.data(), y1.data(), jMax, kept.data());
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        for (int j = 1; j <= jMax; ++j) {
            if (kept[static_cast<std::size_t>(j)] == 0.0 &&
                ChangedByRounding(CellRing(rounded, i, j),
                                  CellRingAsRead(rounded, withDigits, i, j))) {
                ++cells;
            }
        }
    }
    return cells;
}

std::int64_t ParticlesCoinciding(NodeCoordinates rounded, NodesAsRead withDigits, int count) {
    // Per rounded position: the first particle's position as read, how many particles round
    // to it, and whether any of them lies elsewhere as read.
    struct Sharing {
        Point<double> firstRead;
        std::int64_t particles = 0;
        bool apart = false;
    };
    std::unordered_map<Point<double>, Sharing, PositionHash> byRounded;
    for (int p = 1; p <= count; ++p) {
        const Point<double> read = NodeAsReadAt(rounded, withDigits, p, 1);
        Sharing& sharing =
            byRounded.try_emplace(NodeAt(rounded, p, 1), Sharing{read}).first->second;
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

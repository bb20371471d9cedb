#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tesselar {

// One feature of a FlatGeobuf file as its source fills it: the shape, then the values it has
// (a value not given is missing, which readers take for null). Encodes itself as the format's
// size-prefixed Feature table, written here byte by byte: a feature's layout is fixed (a
// geometry of one ring or point and a properties vector), so its size is known without
// building it, and building every feature through the FlatBuffers builder cost about a tenth
// of the conversion's time. The header is built through the library.
class FlatGeobufFeature {
public:
    // Empties the feature for the next one.
    void Clear();
    // A polygon of one ring through `corners` corners (closed by repeating the first, and
    // written counter-clockwise), or a point for one corner.
    void Shape(const double* x, const double* y, int corners);
    void Integer(int column, std::int32_t value);
    void Real(int column, double value);
    // A date-time column's ISO 8601 text.
    void Text(int column, std::string_view value);

    static constexpr int kMaxCorners = 4;

    // The bytes of the encoded feature, its size prefix included.
    std::size_t EncodedBytes() const;
    // The bytes of a feature of `corners` corners with this many values of each kind, found
    // without filling one.
    // `textBytes`: what the texts take, each TextBytes.
    static std::size_t EncodedBytesOf(int corners, int integers, int reals,
                                      std::size_t textBytes = 0);
    static std::size_t TextBytes(std::string_view value);
    // Writes the encoded feature to `out`, which has room for EncodedBytes().
    void Encode(unsigned char* out) const;

private:
    template <typename Value>
    void Put(int column, Value value);

    std::array<double, 2 * (kMaxCorners + 1)> xy_{};
    std::size_t xyCount_ = 0;
    // The properties as the format encodes them: per value its column's number, then the
    // value; propertyBytes_ of them in use.
    std::vector<std::uint8_t> properties_ = std::vector<std::uint8_t>(256);
    std::size_t propertyBytes_ = 0;
};

}  // namespace tesselar

// Writes realistic inputs for the benchmark in the text layout of the modelling system: a
// warped, rotated grid of nodes in metre coordinates (UTM-like) or a cloud of particles, and
// three attribute files (depth, temperature, water level) with one value per cell or particle.
//
//   tesselar-bench-generate grid DIR SIZE_I SIZE_J
//   tesselar-bench-generate particles DIR SIZE_I
//
// Writes DIR/x.txt, DIR/y.txt, DIR/depth.txt, DIR/temp.txt and DIR/level.txt. The same
// arguments always give the same bytes.
//
// Values carry 0 to 3 decimals, so rounding to 2 decimals matters. A third decimal of 5 is
// used only where the value is exactly halfway in binary too (.125, .375, .625, .875): there
// every correct reader rounds the same way, half to even, whichever way it tests for halfway.

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tesselar::bench {

namespace {

// SplitMix64: small, fast and the same on every machine.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    int Below(int bound) { return static_cast<int>(Next() % static_cast<std::uint64_t>(bound)); }

private:
    std::uint64_t state_;
};

// A text file written through one large buffer.
class TextFile {
public:
    explicit TextFile(const std::string& path)
        : path_(path), file_(std::fopen(path.c_str(), "wb")) {
        if (file_ == nullptr) {
            throw std::runtime_error(path + ": cannot create: " + std::strerror(errno));
        }
        buffer_.reserve(kFlushBytes + 64);
    }
    ~TextFile() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    void Line(std::string_view text) {
        buffer_.append(text);
        buffer_.push_back('\n');
        FlushWhenFull();
    }

    // One value line: `value` with `decimals` decimals (0 to 3), sometimes right-aligned by
    // blanks as fixed-width columns are.
    void Value(double value, int decimals, bool indent) {
        static constexpr std::array<std::int64_t, 4> kScale{1, 10, 100, 1000};
        const std::int64_t scale = kScale[static_cast<std::size_t>(decimals)];
        std::int64_t units = std::llround(value * static_cast<double>(scale));
        if (decimals == 3 && std::llabs(units) % 10 == 5 && std::llabs(units) % 125 != 0) {
            ++units;
        }
        if (indent) {
            buffer_.append("  ");
        }
        if (units < 0) {
            buffer_.push_back('-');
            units = -units;
        }
        AppendDigits(units / scale);
        if (decimals > 0) {
            buffer_.push_back('.');
            std::int64_t fraction = units % scale;
            for (std::int64_t digit = scale / 10; digit > 0; digit /= 10) {
                buffer_.push_back(static_cast<char>('0' + fraction / digit));
                fraction %= digit;
            }
        }
        buffer_.push_back('\n');
        FlushWhenFull();
    }

    void Close() {
        Flush();
        const int result = std::fclose(file_);
        file_ = nullptr;
        if (result != 0) {
            throw std::runtime_error(path_ + ": cannot write: " + std::strerror(errno));
        }
    }

private:
    static constexpr std::size_t kFlushBytes = std::size_t{1} << 22;

    void AppendDigits(std::int64_t number) {
        char digits[20];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number > 0);
        while (count > 0) {
            buffer_.push_back(digits[--count]);
        }
    }
    void FlushWhenFull() {
        if (buffer_.size() >= kFlushBytes) {
            Flush();
        }
    }
    void Flush() {
        if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
            throw std::runtime_error(path_ + ": cannot write: " + std::strerror(errno));
        }
        buffer_.clear();
    }

    std::string path_;
    std::FILE* file_;
    std::string buffer_;
};

struct Point {
    double x;
    double y;
};

// The grid: 25 m cells, gently warped so that the grid lines curve, and rotated by 20 degrees,
// placed in UTM-like coordinates. The corners of a cell in index order run counter-clockwise,
// so a writer has to reverse them into the clockwise order of the shapefile format.
Point GridNode(int i, int j) {
    constexpr double kCell = 25.0;
    constexpr double kAngle = 0.349;
    const double u = kCell * i + 40.0 * std::sin(kCell * j / 700.0);
    const double v = kCell * j + 30.0 * std::sin(kCell * i / 900.0) + 0.002 * kCell * i * j / 40.0;
    return {512345.0 + u * std::cos(kAngle) - v * std::sin(kAngle),
            4201234.0 + u * std::sin(kAngle) + v * std::cos(kAngle)};
}

// The three attribute fields at a point given in metres: smooth fields with some noise, all
// inside -999.99 to 9999.99 so that they fit a column of 10 characters with 5 decimals.
struct Fields {
    double depth;        // 20 to about 4030
    double temperature;  // about -4.5 to 12.5
    double level;        // -999.99 to about 9000
};

Fields FieldsAt(Point p, Random& random) {
    const double u = p.x - 500000.0;
    const double v = p.y - 4200000.0;
    const double depth = 20.0 + 4000.0 * (0.5 + 0.5 * std::sin(u / 5000.0) * std::cos(v / 7000.0)) +
                         5.0 * random.Unit();
    const double temperature = 4.0 + 8.0 * std::sin(u / 3000.0 + v / 4000.0) + random.Unit() * 0.5;
    const double level =
        std::max(-999.99, 4000.0 + 5000.0 * std::sin(u / 2000.0) * std::cos(v / 2500.0) +
                              random.Unit() - 0.5);
    return {depth, temperature, level};
}

struct OutputFiles {
    explicit OutputFiles(const std::string& folder)
        : x(folder + "/x.txt"),
          y(folder + "/y.txt"),
          depth(folder + "/depth.txt"),
          temperature(folder + "/temp.txt"),
          level(folder + "/level.txt") {}

    void WriteHeaders(int sizeI, int sizeJ, bool polygons) {
        const std::string sizes = "SIZE_I : " + std::to_string(sizeI);
        x.Line("Nerasco grid file: X coordinates (m), UTM zone 29N");
        y.Line("Nerasco grid file: Y coordinates (m), UTM zone 29N");
        for (TextFile* axis : {&x, &y}) {
            axis->Line(sizes);
            if (polygons) {
                axis->Line("SIZE_J : " + std::to_string(sizeJ));
            }
            axis->Line("COORD_TIP : 5");
            axis->Line("<BeginData>");
        }
        depth.Line("Nerasco property: depth (m)");
        temperature.Line("Nerasco property: temperature (C)");
        level.Line("Nerasco property: water level (mm)");
        for (TextFile* attribute : {&depth, &temperature, &level}) {
            attribute->Line("TIME : 2024 6 1 12 0 0");
            attribute->Line("<BeginData>");
        }
    }

    void WriteFields(Point where, Random& random) {
        const Fields fields = FieldsAt(where, random);
        depth.Value(fields.depth, random.Below(4), random.Below(4) == 0);
        temperature.Value(fields.temperature, random.Below(4), random.Below(4) == 0);
        level.Value(fields.level, random.Below(4), random.Below(4) == 0);
    }

    void Close() {
        for (TextFile* file : {&x, &y, &depth, &temperature, &level}) {
            file->Line("<EndData>");
            file->Close();
        }
    }

    TextFile x;
    TextFile y;
    TextFile depth;
    TextFile temperature;
    TextFile level;
};

void WriteGrid(const std::string& folder, int sizeI, int sizeJ) {
    Random random(0x7E55E1A5ULL);
    OutputFiles files(folder);
    files.WriteHeaders(sizeI, sizeJ, true);
    for (int i = 0; i < sizeI; ++i) {
        for (int j = 0; j < sizeJ; ++j) {
            const Point node = GridNode(i, j);
            files.x.Value(node.x, random.Below(4), random.Below(8) == 0);
            files.y.Value(node.y, random.Below(4), random.Below(8) == 0);
        }
    }
    for (int i = 0; i + 1 < sizeI; ++i) {
        for (int j = 0; j + 1 < sizeJ; ++j) {
            const Point a = GridNode(i, j);
            const Point c = GridNode(i + 1, j + 1);
            files.WriteFields({(a.x + c.x) / 2, (a.y + c.y) / 2}, random);
        }
    }
    files.Close();
}

// SIZE_I - 1 particles scattered over 30 km by 30 km.
void WriteParticles(const std::string& folder, int sizeI) {
    Random random(0x9A271C1EULL);
    OutputFiles files(folder);
    files.WriteHeaders(sizeI, 0, false);
    for (int p = 1; p < sizeI; ++p) {
        const Point particle{500000.0 + 30000.0 * random.Unit(),
                             4200000.0 + 30000.0 * random.Unit()};
        files.x.Value(particle.x, random.Below(4), random.Below(8) == 0);
        files.y.Value(particle.y, random.Below(4), random.Below(8) == 0);
        files.WriteFields(particle, random);
    }
    files.Close();
}

int SizeArgument(const char* text) {
    const int size = std::atoi(text);
    if (size < 2 || size > 40000) {
        throw std::invalid_argument(std::string("size out of range 2 to 40000: ") + text);
    }
    return size;
}

}  // namespace

int Main(int argc, char** argv) {
    const std::string_view kind = argc > 1 ? argv[1] : "";
    if (kind == "grid" && argc == 5) {
        WriteGrid(argv[2], SizeArgument(argv[3]), SizeArgument(argv[4]));
    } else if (kind == "particles" && argc == 4) {
        WriteParticles(argv[2], SizeArgument(argv[3]));
    } else {
        std::fputs(
            "usage: tesselar-bench-generate grid DIR SIZE_I SIZE_J\n"
            "       tesselar-bench-generate particles DIR SIZE_I\n",
            stderr);
        return 2;
    }
    return 0;
}

}  // namespace tesselar::bench

int main(int argc, char** argv) {
    try {
        return tesselar::bench::Main(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tesselar-bench-generate: %s\n", error.what());
        return 1;
    }
}

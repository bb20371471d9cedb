// The benchmark's peer: the whole conversion done the straightforward way with shapelib, as a
// competent programmer would write it in an afternoon. Same command line as tesselar-convert.
//
// Reads each input line by line (fgets, strtod), finds SIZE_I and SIZE_J in the X file's
// header and the values after the "<BeginData>" line, rounds every value to 2 decimals (half
// to even), then writes one closed clockwise polygon per grid cell, or one point per particle,
// through SHPWriteObject, with a numeric column N(10,5) per attribute through
// DBFWriteDoubleAttribute.

#include <shapefil.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "JobArguments.h"

namespace tesselar::bench {

namespace {

constexpr const char* kMarker = "<BeginData>";
constexpr int kLineBytes = 4096;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File Open(const std::string& path) {
    File file(std::fopen(path.c_str(), "r"));
    if (!file) {
        throw std::runtime_error(path + ": " + std::strerror(errno));
    }
    return file;
}

// The number after the ':' of the header line holding `keyword`.
int HeaderSize(const std::string& path, const char* keyword) {
    File file = Open(path);
    char line[kLineBytes];
    while (std::fgets(line, sizeof line, file.get()) != nullptr) {
        if (std::strstr(line, kMarker) != nullptr) {
            break;
        }
        if (std::strstr(line, keyword) != nullptr) {
            const char* colon = std::strchr(line, ':');
            return std::atoi(colon != nullptr ? colon + 1 : line);
        }
    }
    throw std::runtime_error(path + ": no " + keyword + " line in the header");
}

// Opens `path` and reads up to and including its marker line.
File OpenAtData(const std::string& path) {
    File file = Open(path);
    char line[kLineBytes];
    while (std::fgets(line, sizeof line, file.get()) != nullptr) {
        if (std::strstr(line, kMarker) != nullptr) {
            return file;
        }
    }
    throw std::runtime_error(path + ": no " + kMarker + " line");
}

// Nearest hundredth, halves to the even one (the default rounding mode).
double RoundToHundredths(double value) {
    return std::nearbyint(value * 100.0) / 100.0;
}

std::vector<double> ReadValues(const std::string& path, std::size_t count) {
    File file = OpenAtData(path);
    std::vector<double> values(count);
    char line[kLineBytes];
    for (double& value : values) {
        if (std::fgets(line, sizeof line, file.get()) == nullptr) {
            throw std::runtime_error(path + ": ends before all " + std::to_string(count) +
                                     " values are read");
        }
        value = RoundToHundredths(std::strtod(line, nullptr));
    }
    return values;
}

struct ShapeWriter {
    explicit ShapeWriter(const JobArguments& job) : stem(OutputStem(job)) {
        shp = SHPCreate(stem.c_str(), job.polygons ? SHPT_POLYGON : SHPT_POINT);
        dbf = DBFCreate(stem.c_str());
        if (shp == nullptr || dbf == nullptr) {
            throw std::runtime_error(stem + ": cannot create the shape file");
        }
        for (const AttributeArgument& attribute : job.attributes) {
            if (DBFAddField(dbf, attribute.name.c_str(), FTDouble, 10, 5) < 0) {
                throw std::runtime_error(stem + ".dbf: cannot add field " + attribute.name);
            }
        }
    }
    ~ShapeWriter() {
        SHPClose(shp);
        DBFClose(dbf);
    }
    ShapeWriter(const ShapeWriter&) = delete;
    ShapeWriter& operator=(const ShapeWriter&) = delete;

    void Append(SHPObject* shape, const std::vector<std::vector<double>>& attributes,
                std::size_t index) {
        const int record = SHPWriteObject(shp, -1, shape);
        SHPDestroyObject(shape);
        if (record < 0) {
            throw std::runtime_error(stem + ".shp: cannot write a shape");
        }
        // A value whose text is wider than the column is cut by shapelib and reported as
        // false; it is still written.
        for (std::size_t k = 0; k < attributes.size(); ++k) {
            DBFWriteDoubleAttribute(dbf, record, static_cast<int>(k), attributes[k][index]);
        }
    }

    std::string stem;
    SHPHandle shp;
    DBFHandle dbf;
};

void Convert(const JobArguments& job) {
    const auto sizeI = static_cast<std::size_t>(HeaderSize(job.xFile, "SIZE_I"));
    const auto sizeJ = job.polygons ? static_cast<std::size_t>(HeaderSize(job.xFile, "SIZE_J")) : 0;
    const std::size_t nodes = job.polygons ? sizeI * sizeJ : sizeI - 1;
    const std::size_t shapes = job.polygons ? (sizeI - 1) * (sizeJ - 1) : sizeI - 1;

    const std::vector<double> x = ReadValues(job.xFile, nodes);
    const std::vector<double> y = ReadValues(job.yFile, nodes);
    std::vector<std::vector<double>> attributes;
    for (const AttributeArgument& attribute : job.attributes) {
        attributes.push_back(ReadValues(attribute.file, shapes));
    }

    ShapeWriter writer(job);
    if (!job.polygons) {
        for (std::size_t p = 0; p < shapes; ++p) {
            writer.Append(SHPCreateSimpleObject(SHPT_POINT, 1, &x[p], &y[p], nullptr), attributes,
                          p);
        }
        return;
    }
    std::size_t cell = 0;
    for (std::size_t i = 0; i + 1 < sizeI; ++i) {
        for (std::size_t j = 0; j + 1 < sizeJ; ++j) {
            const std::size_t corners[4] = {i * sizeJ + j, (i + 1) * sizeJ + j,
                                            (i + 1) * sizeJ + j + 1, i * sizeJ + j + 1};
            double ringX[5];
            double ringY[5];
            double twiceArea = 0.0;
            for (int c = 0; c < 4; ++c) {
                const std::size_t from = corners[c];
                const std::size_t to = corners[(c + 1) % 4];
                twiceArea += x[from] * y[to] - x[to] * y[from];
            }
            // Outer rings run clockwise: a positive area means counter-clockwise corners,
            // which are taken in reverse from the first corner on.
            for (int c = 0; c < 4; ++c) {
                const std::size_t node = corners[twiceArea > 0.0 ? (4 - c) % 4 : c];
                ringX[c] = x[node];
                ringY[c] = y[node];
            }
            ringX[4] = ringX[0];
            ringY[4] = ringY[0];
            writer.Append(SHPCreateSimpleObject(SHPT_POLYGON, 5, ringX, ringY, nullptr), attributes,
                          cell++);
        }
    }
}

}  // namespace

}  // namespace tesselar::bench

int main(int argc, char** argv) {
    try {
        tesselar::bench::Convert(tesselar::bench::ParseJobArguments(argc, argv));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tesselar-bench-peer: %s\n", error.what());
        return 1;
    }
}

// The benchmark's limit: the least work any converter has to do for a job on this machine.
// Same command line as tesselar-convert, and --sync to have each output file reach the disk
// (fsync) before it is closed, as a converter does that will not lose the user's data in a crash.
//
// It maps every input file, scans the numbers by hand into hundredths (rounded half to even)
// and writes exactly as many bytes as the .shp, .shx and .dbf of the job hold, in large
// write() calls. The .shp and .shx are laid out as the format has them; the .dbf records hold
// the raw bytes of the values instead of their text. Everything written depends on what was
// read, so nothing can be optimised away.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "JobArguments.h"

namespace tesselar::bench {

namespace {

std::runtime_error SystemError(const std::string& path, const char* what) {
    return std::runtime_error(path + ": " + what + ": " + std::strerror(errno));
}

class MappedFile {
public:
    explicit MappedFile(const std::string& path) : path_(path) {
        const int descriptor = ::open(path.c_str(), O_RDONLY);
        if (descriptor < 0) {
            throw SystemError(path, "cannot open");
        }
        struct stat status {};
        if (::fstat(descriptor, &status) != 0) {
            ::close(descriptor);
            throw SystemError(path, "cannot stat");
        }
        size_ = static_cast<std::size_t>(status.st_size);
        void* data = size_ == 0 ? nullptr
                                : ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE,
                                         descriptor, 0);
        ::close(descriptor);
        if (data == MAP_FAILED) {
            throw SystemError(path, "cannot map");
        }
        data_ = static_cast<const char*>(data);
    }
    ~MappedFile() {
        if (data_ != nullptr) {
            ::munmap(const_cast<char*>(data_), size_);
        }
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const char* begin() const { return data_; }
    const char* end() const { return data_ + size_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    const char* data_ = nullptr;
    std::size_t size_ = 0;
};

const char* LineEnd(const char* at, const char* end) {
    const void* newline = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
    return newline != nullptr ? static_cast<const char*>(newline) : end;
}

// The first line after the marker line.
const char* DataStart(const MappedFile& file) {
    for (const char* at = file.begin(); at < file.end();) {
        const char* lineEnd = LineEnd(at, file.end());
        if (std::string_view(at, static_cast<std::size_t>(lineEnd - at)).find("<BeginData>") !=
            std::string_view::npos) {
            return std::min(lineEnd + 1, file.end());
        }
        at = lineEnd + 1;
    }
    throw std::runtime_error(file.path() + ": no <BeginData> line");
}

std::size_t HeaderSize(const MappedFile& file, std::string_view keyword) {
    const char* dataStart = DataStart(file);
    for (const char* at = file.begin(); at < dataStart;) {
        const char* lineEnd = LineEnd(at, file.end());
        const std::string_view line(at, static_cast<std::size_t>(lineEnd - at));
        if (line.find(keyword) != std::string_view::npos) {
            std::size_t size = 0;
            for (const char c : line.substr(line.find(':') + 1)) {
                if (c >= '0' && c <= '9') {
                    size = size * 10 + static_cast<std::size_t>(c - '0');
                }
            }
            return size;
        }
        at = lineEnd + 1;
    }
    throw std::runtime_error(file.path() + ": no " + std::string(keyword) + " line");
}

// Reads `count` value lines into doubles rounded to hundredths. Handles what the modelling
// system writes: blanks, a sign, digits with an optional decimal point.
std::vector<double> ReadValues(const std::string& path, std::size_t count) {
    static constexpr std::int64_t kPowers[] = {1,         10,         100,         1000,
                                               10000,     100000,     1000000,     10000000,
                                               100000000, 1000000000, 10000000000, 100000000000};
    const MappedFile file(path);
    std::vector<double> values(count);
    const char* at = DataStart(file);
    const char* const end = file.end();
    for (double& value : values) {
        if (at >= end) {
            throw std::runtime_error(path + ": ends before all values are read");
        }
        while (at < end && (*at == ' ' || *at == '\t')) {
            ++at;
        }
        const bool negative = at < end && *at == '-';
        at += (at < end && (*at == '-' || *at == '+')) ? 1 : 0;
        std::int64_t mantissa = 0;
        int decimals = -1;
        for (; at < end; ++at) {
            const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
            if (digit < 10) {
                mantissa = mantissa * 10 + digit;
                decimals += decimals >= 0 ? 1 : 0;
            } else if (*at == '.' && decimals < 0) {
                decimals = 0;
            } else {
                break;
            }
        }
        decimals = std::clamp(decimals, 0, 11);
        std::int64_t hundredths = 0;
        if (decimals <= 2) {
            hundredths = mantissa * kPowers[2 - decimals];
        } else {
            const std::int64_t divisor = kPowers[decimals - 2];
            hundredths = mantissa / divisor;
            const std::int64_t twiceRest = 2 * (mantissa % divisor);
            hundredths += (twiceRest > divisor || (twiceRest == divisor && (hundredths & 1) != 0));
        }
        value = static_cast<double>(negative ? -hundredths : hundredths) / 100.0;
        at = LineEnd(at, end) + 1;
    }
    return values;
}

// An output file written in large chunks.
class Output {
public:
    Output(std::string path, bool sync) : path_(std::move(path)), sync_(sync) {
        descriptor_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (descriptor_ < 0) {
            throw SystemError(path_, "cannot create");
        }
        buffer_.reserve(kChunkBytes);
    }
    ~Output() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void Bytes(const void* data, std::size_t size) {
        if (buffer_.size() + size > kChunkBytes) {
            Flush();
        }
        const auto* bytes = static_cast<const char*>(data);
        buffer_.insert(buffer_.end(), bytes, bytes + size);
    }
    void Little32(std::int32_t value) { Bytes(&value, sizeof value); }
    void Big32(std::int32_t value) {
        const std::uint32_t big = __builtin_bswap32(static_cast<std::uint32_t>(value));
        Bytes(&big, sizeof big);
    }
    void Double(double value) { Bytes(&value, sizeof value); }

    void Close() {
        Flush();
        if (sync_ && ::fsync(descriptor_) != 0) {
            throw SystemError(path_, "cannot sync");
        }
        if (::close(descriptor_) != 0) {
            descriptor_ = -1;
            throw SystemError(path_, "cannot close");
        }
        descriptor_ = -1;
    }

private:
    static constexpr std::size_t kChunkBytes = std::size_t{8} << 20;

    void Flush() {
        const char* at = buffer_.data();
        std::size_t left = buffer_.size();
        while (left > 0) {
            const ssize_t written = ::write(descriptor_, at, left);
            if (written < 0) {
                throw SystemError(path_, "cannot write");
            }
            at += written;
            left -= static_cast<std::size_t>(written);
        }
        buffer_.clear();
    }

    std::string path_;
    bool sync_;
    int descriptor_ = -1;
    std::vector<char> buffer_;
};

constexpr int kFieldWidth = 10;

void MainFileHeader(Output& file, std::int64_t bytes, std::int32_t shapeType) {
    file.Big32(9994);
    for (int unused = 0; unused < 5; ++unused) {
        file.Big32(0);
    }
    file.Big32(static_cast<std::int32_t>(bytes / 2));
    file.Little32(1000);
    file.Little32(shapeType);
    for (int box = 0; box < 8; ++box) {
        file.Double(0.0);
    }
}

void Write(const JobArguments& job, bool sync, const std::vector<double>& x,
           const std::vector<double>& y, std::size_t sizeJ, std::size_t shapes,
           const std::vector<std::vector<double>>& values) {
    const std::string stem = OutputStem(job);
    const std::int32_t recordBytes = job.polygons ? 8 + 4 + 32 + 4 + 4 + 4 + 5 * 16 : 8 + 4 + 16;
    const std::int64_t count = static_cast<std::int64_t>(shapes);

    Output shp(stem + ".shp", sync);
    MainFileHeader(shp, 100 + count * recordBytes, job.polygons ? 5 : 1);
    const std::size_t cellsJ = job.polygons ? sizeJ - 1 : 1;
    for (std::size_t shape = 0; shape < shapes; ++shape) {
        shp.Big32(static_cast<std::int32_t>(shape + 1));
        shp.Big32((recordBytes - 8) / 2);
        if (!job.polygons) {
            shp.Little32(1);
            shp.Double(x[shape]);
            shp.Double(y[shape]);
            continue;
        }
        const std::size_t i = shape / cellsJ;
        const std::size_t j = shape % cellsJ;
        const std::size_t ring[5] = {i * sizeJ + j, i * sizeJ + j + 1, (i + 1) * sizeJ + j + 1,
                                     (i + 1) * sizeJ + j, i * sizeJ + j};
        double box[4] = {x[ring[0]], y[ring[0]], x[ring[0]], y[ring[0]]};
        for (const std::size_t node : ring) {
            box[0] = std::min(box[0], x[node]);
            box[1] = std::min(box[1], y[node]);
            box[2] = std::max(box[2], x[node]);
            box[3] = std::max(box[3], y[node]);
        }
        shp.Little32(5);
        shp.Bytes(box, sizeof box);
        shp.Little32(1);
        shp.Little32(5);
        shp.Little32(0);
        for (const std::size_t node : ring) {
            shp.Double(x[node]);
            shp.Double(y[node]);
        }
    }
    shp.Close();

    Output shx(stem + ".shx", sync);
    MainFileHeader(shx, 100 + count * 8, job.polygons ? 5 : 1);
    for (std::int64_t shape = 0; shape < count; ++shape) {
        shx.Big32(static_cast<std::int32_t>((100 + shape * recordBytes) / 2));
        shx.Big32((recordBytes - 8) / 2);
    }
    shx.Close();

    Output dbf(stem + ".dbf", sync);
    const auto fields = static_cast<std::int32_t>(values.size());
    char header[32] = {3, 124, 6, 1};
    std::memcpy(header + 4, &shapes, 4);
    dbf.Bytes(header, sizeof header);
    for (const AttributeArgument& attribute : job.attributes) {
        char descriptor[32] = {};
        std::memcpy(descriptor, attribute.name.data(),
                    std::min<std::size_t>(attribute.name.size(), 10));
        descriptor[11] = 'N';
        descriptor[16] = kFieldWidth;
        descriptor[17] = 5;
        dbf.Bytes(descriptor, sizeof descriptor);
    }
    dbf.Bytes("\r", 1);
    char record[1 + 50 * kFieldWidth] = {' '};
    const std::size_t recordSize = 1 + static_cast<std::size_t>(fields) * kFieldWidth;
    for (std::size_t shape = 0; shape < shapes; ++shape) {
        for (std::size_t k = 0; k < values.size(); ++k) {
            std::memcpy(record + 1 + k * kFieldWidth, &values[k][shape], sizeof(double));
        }
        dbf.Bytes(record, recordSize);
    }
    dbf.Bytes("\x1a", 1);
    dbf.Close();
}

void Convert(const JobArguments& job, bool sync) {
    std::size_t sizeI = 0;
    std::size_t sizeJ = 0;
    {
        const MappedFile header(job.xFile);
        sizeI = HeaderSize(header, "SIZE_I");
        sizeJ = job.polygons ? HeaderSize(header, "SIZE_J") : 0;
    }
    if (job.attributes.size() > 50 || sizeI < 1 || (job.polygons && sizeJ < 1)) {
        throw std::runtime_error("a job beyond what this program handles");
    }
    const std::size_t nodes = job.polygons ? sizeI * sizeJ : sizeI - 1;
    const std::size_t shapes = job.polygons ? (sizeI - 1) * (sizeJ - 1) : sizeI - 1;
    const std::vector<double> x = ReadValues(job.xFile, nodes);
    const std::vector<double> y = ReadValues(job.yFile, nodes);
    std::vector<std::vector<double>> values;
    for (const AttributeArgument& attribute : job.attributes) {
        values.push_back(ReadValues(attribute.file, shapes));
    }
    Write(job, sync, x, y, sizeJ, shapes, values);
}

}  // namespace

}  // namespace tesselar::bench

int main(int argc, char** argv) {
    try {
        std::vector<char*> arguments(argv, argv + argc);
        const auto sync = std::find(arguments.begin(), arguments.end(), std::string_view("--sync"));
        const bool syncOutputs = sync != arguments.end();
        if (syncOutputs) {
            arguments.erase(sync);
        }
        tesselar::bench::Convert(tesselar::bench::ParseJobArguments(
                                     static_cast<int>(arguments.size()), arguments.data()),
                                 syncOutputs);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tesselar-bench-limit: %s\n", error.what());
        return 1;
    }
}

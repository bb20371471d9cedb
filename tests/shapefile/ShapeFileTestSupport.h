#pragma once

#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

namespace tesselar::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tesselar-shapefile-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    std::string Path() const { return path_.string(); }

    // The names of everything in the folder, hidden files included.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::uint8_t Byte(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint8_t>(bytes.at(offset));
}

inline std::int32_t Int32Big(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | Byte(bytes, offset + i);
    }
    return static_cast<std::int32_t>(value);
}

inline std::uint32_t UInt32Little(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) {
        value = (value << 8) | Byte(bytes, offset + i);
    }
    return value;
}

inline std::int32_t Int32Little(const std::string& bytes, std::size_t offset) {
    return static_cast<std::int32_t>(UInt32Little(bytes, offset));
}

inline std::uint16_t UInt16Little(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(Byte(bytes, offset) | (Byte(bytes, offset + 1) << 8));
}

inline double DoubleLittle(const std::string& bytes, std::size_t offset) {
    std::uint64_t bits = 0;
    for (std::size_t i = 8; i-- > 0;) {
        bits = (bits << 8) | Byte(bytes, offset + i);
    }
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Noon UTC of a calendar day: the same local date in every time zone between UTC-11 and UTC+11.
inline std::chrono::system_clock::time_point NoonOf(std::chrono::year_month_day day) {
    return std::chrono::sys_days(day) + std::chrono::hours(12);
}

}  // namespace tesselar::test

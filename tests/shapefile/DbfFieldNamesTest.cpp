#include <gtest/gtest.h>

#include "controls/shapefile/DbfFieldNames.h"

namespace tesselar {
namespace {

TEST(DbfFieldNames, ShortensToTenBytesWithoutSplittingACharacter) {
    EXPECT_EQ(DbfFieldName("Temperature", {}), "Temperatur");
    EXPECT_EQ(DbfFieldName("Depth", {}), "Depth");
    // "é" takes bytes 10 and 11: it goes whole.
    EXPECT_EQ(DbfFieldName("abcdefghi\xC3\xA9", {}), "abcdefghi");
    // Three-byte characters: three fit, a fourth would need bytes 10 to 12.
    EXPECT_EQ(DbfFieldName("\xE6\xB0\xB4\xE6\xB8\xA9\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF", {}),
              "\xE6\xB0\xB4\xE6\xB8\xA9\xE3\x83\x87");
    // A four-byte character at the end: 8 + 4 bytes.
    EXPECT_EQ(DbfFieldName("salinity\xF0\x9F\x8C\x8A", {}), "salinity");
}

TEST(DbfFieldNames, BlanksAtTheEndGoAsReadersDropThem) {
    EXPECT_EQ(DbfFieldName("Salinit\xC3\xA9 de surface", {}), "Salinit\xC3\xA9");
    EXPECT_EQ(DbfFieldName("Mean depth", {"MEAN DEPTH"}), "Mean dep_1");
    EXPECT_EQ(DbfFieldName("Mean ", {"MEAN"}), "Mean_1");
    EXPECT_EQ(DbfFieldName("abcdefg  xyz", {"abcdefg  x"}), "abcdefg_1");
}

TEST(DbfFieldNames, EmptyNameBecomesField) {
    EXPECT_EQ(DbfFieldName("", {}), "FIELD");
    EXPECT_EQ(DbfFieldName("   ", {}), "FIELD");
    EXPECT_EQ(DbfFieldName("", {"FIELD"}), "FIELD_1");
}

TEST(DbfFieldNames, RepeatedNamesGetANumberIgnoringAsciiCase) {
    EXPECT_EQ(DbfFieldName("depth", {"DEPTH"}), "depth_1");
    // Names that differ only after their tenth byte meet once shortened.
    EXPECT_EQ(DbfFieldName("temperature_max", {"Temperatur"}), "temperat_1");
    EXPECT_EQ(DbfFieldName("TEMPERATURE", {"Temperatur", "temperat_1"}), "TEMPERAT_2");
    // The start is shortened on a character boundary to make room for the suffix.
    EXPECT_EQ(DbfFieldName("abcdefg\xC3\xA9x", {"abcdefg\xC3\xA9x"}), "abcdefg_1");
    // Only ASCII letters are compared without case.
    EXPECT_EQ(DbfFieldName("\xC3\xA9t\xC3\xA9", {"\xC3\x89T\xC3\x89"}), "\xC3\xA9t\xC3\xA9");
}

TEST(DbfFieldNames, CountsOnPastNine) {
    std::vector<std::string> taken{"x"};
    for (int i = 1; i <= 9; ++i) {
        taken.push_back("x_" + std::to_string(i));
    }
    EXPECT_EQ(DbfFieldName("X", taken), "X_10");
    taken = {"abcdefghij"};
    for (int i = 1; i <= 9; ++i) {
        taken.push_back("abcdefgh_" + std::to_string(i));
    }
    EXPECT_EQ(DbfFieldName("abcdefghijk", taken), "abcdefg_10");
}

}  // namespace
}  // namespace tesselar

// A text column as the .dbf stores it, byte for byte as dBASE III lays it out: its descriptor
// (type "C", the width, no decimals) and its text left-aligned, padded with blanks, kept for
// every following record until set again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "ShapeFileTestSupport.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kDescriptorBytes = 32;

TEST(DbfTextColumn, IsStoredAsDbaseIIICharacterField) {
    test::TempDir folder;
    PosixFileSystem posix;
    {
        ShapeFiles files(posix, test::NoonOf(std::chrono::year(2024) / 3 / 9));
        files.OpenShapeFile(folder / "t.shp", 1, kShapeTypePoint);
        ShapeField& step = files.FieldList().AddField("STEP", kFieldTypeNumeric, 9, 0);
        ShapeTextField& time = files.FieldList().AddTextField("TIME", 20);
        files.CommitFields();
        step.Value(3);
        time.Text("2024-01-01T00:00:00Z");
        files.VertexList().AddVertex(1, 2, 0);
        files.AppendShape();
        time.Text("short");  // the rest of the column is blanked
        files.VertexList().AddVertex(3, 4, 0);
        files.AppendShape();
        files.VertexList().AddVertex(5, 6, 0);
        files.AppendShape();  // keeps "short"
        files.Release();
    }
    const std::string dbf = test::ReadBytes(folder / "t.dbf");
    const std::size_t headerBytes = kHeaderBytes + 2 * kDescriptorBytes + 1;
    const std::size_t recordBytes = 1 + 9 + 20;
    ASSERT_EQ(dbf.size(), headerBytes + 3 * recordBytes + 1);
    EXPECT_EQ(static_cast<unsigned char>(dbf[8]) | static_cast<unsigned char>(dbf[9]) << 8,
              headerBytes);
    EXPECT_EQ(static_cast<unsigned char>(dbf[10]) | static_cast<unsigned char>(dbf[11]) << 8,
              recordBytes);
    const std::string timeDescriptor = dbf.substr(kHeaderBytes + kDescriptorBytes, 32);
    EXPECT_EQ(timeDescriptor.substr(0, 11), std::string("TIME\0\0\0\0\0\0\0", 11));
    EXPECT_EQ(timeDescriptor[11], 'C');
    EXPECT_EQ(timeDescriptor[16], 20);
    EXPECT_EQ(timeDescriptor[17], 0);
    EXPECT_EQ(dbf[kHeaderBytes + 11], 'N');
    const std::string records = dbf.substr(headerBytes, 3 * recordBytes);
    EXPECT_EQ(records, std::string(" ") + "        3" + "2024-01-01T00:00:00Z" + " " + "        3" +
                           "short               " + " " + "        3" + "short               ");
}

TEST(DbfTextColumn, RefusesTextsLongerThanTheColumnAndWidthsBeyondDbase) {
    test::TempDir folder;
    PosixFileSystem posix;
    ShapeFiles files(posix, test::NoonOf(std::chrono::year(2024) / 3 / 9));
    files.OpenShapeFile(folder / "t.shp", 1, kShapeTypePoint);
    for (const int width : {0, 255}) {
        EXPECT_THROW(files.FieldList().AddTextField("W" + std::to_string(width), width),
                     ShapeFileError)
            << width;
    }
    ShapeTextField& text = files.FieldList().AddTextField("TIME", 4);
    try {
        text.Text("12345");
        ADD_FAILURE() << "a text of 5 bytes went into 4";
    } catch (const ShapeFileError& error) {
        EXPECT_THAT(error.what(), testing::HasSubstr("longer than 4 bytes"));
    }
    EXPECT_NO_THROW(files.FieldList().AddTextField("LONGEST", 254));
}

}  // namespace
}  // namespace tesselar

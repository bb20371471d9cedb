#include <gtest/gtest.h>

#include <QImage>

#include "forms/ProgramPictures.h"

namespace tesselar {
namespace {

// The program's icon in both sizes, and the logo of 132 x 64 with its corners cut round.
TEST(PicturesTest, IconHasBothSizesAndTheLogoRoundCorners) {
    for (const QSize size : {QSize(16, 16), QSize(32, 32)}) {
        EXPECT_TRUE(ProgramIcon().availableSizes().contains(size)) << size.width();
    }
    const QImage logo = LogoPicture().toImage();
    EXPECT_EQ(logo.size(), QSize(132, 64));
    EXPECT_EQ(logo.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(logo.pixelColor(66, 32).alpha(), 255);
}

}  // namespace
}  // namespace tesselar

#include <gtest/gtest.h>

#include <QFile>

#include "forms/ProgramPictures.h"

namespace tesselar {
namespace {

TEST(PicturesTest, IconHasBothSizes) {
    const QIcon icon = ProgramIcon();
    for (const QSize size : {QSize(16, 16), QSize(32, 32)}) {
        EXPECT_TRUE(icon.availableSizes().contains(size)) << size.width();
        EXPECT_EQ(icon.pixmap(size).toImage().size(), size);
    }
}

TEST(PicturesTest, LogoIsA132By64Gif89a) {
    const QPixmap logo = LogoPicture();
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(logo.size(), QSize(132, 64));
    // The corners are cut round: transparent outside, opaque inside.
    const QImage image = logo.toImage();
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(image.pixelColor(66, 32).alpha(), 255);

    QFile file(QStringLiteral(":/tesselar/logo.gif"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(6), QByteArray("GIF89a"));
}

}  // namespace
}  // namespace tesselar

#pragma once

#include <QIcon>
#include <QPixmap>

namespace tesselar {

// The program's icon, a tile of curved grid cells drawn at 16 x 16 and 32 x 32 pixels. The
// splash and About windows show it, and it is the icon of every window of the program:
// main() passes it to QApplication::setWindowIcon.
QIcon ProgramIcon();

// The splash window's logo, 132 x 64 pixels.
QPixmap LogoPicture();

}  // namespace tesselar

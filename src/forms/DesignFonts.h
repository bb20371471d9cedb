#pragma once

#include <QFont>

namespace tesselar {

// The splash and About windows were designed in "Arial" and "MS Sans Serif". Where these are
// missing, Liberation Sans stands in: it has Arial's metrics, so texts keep the widths they
// were laid out for.
QFont ArialFont(double points, bool bold);
QFont DefaultFormFont();

}  // namespace tesselar

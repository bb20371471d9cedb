#include "controls/shapefile/ShapeFiles.h"

#include "readers/ReadFiles.h"

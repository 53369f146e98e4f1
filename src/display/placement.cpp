/* The display window's placement record. */
#include "display/placement.h"

Placement placement;

/* One start's display: the window's placement, held by the start (Instance::display)
   and handed to every display call that needs it. Shell's thread only; each part has
   one writer, named in its own header. */
#pragma once

#include "display/placement.h"

struct Display {
    Placement placement; /* display/window.cpp */
};

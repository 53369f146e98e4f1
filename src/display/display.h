/* One start's display: the window's placement, the caption model, the surfaces and the
   shell's style, held by the start (Instance::display) and handed to every display call
   that needs them. Shell's thread, but for the caption model, which the start's scroll
   thread shares under its lock; each part has its writers named in its own header. */
#pragma once

#include "display/caption.h"
#include "display/placement.h"
#include "display/surface_set.h"
#include "settings/style.h"

struct Display {
    Placement placement;   /* display/window.cpp */
    SharedCaption caption; /* made by the lifecycle; see caption.h */
    ShellStyle style;      /* settings/style.cpp, at the start and each reconfigure */
    Surfaces surfaces;     /* display/surfaces.cpp; declared last, so that it goes first */
};

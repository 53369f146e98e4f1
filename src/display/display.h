/* One start's display: the window's placement and the caption model, held by the start
   (Instance::display) and handed to every display call that needs them. Shell's thread,
   but for the caption model, which the start's scroll thread shares under its lock; each
   part has its writers named in its own header. */
#pragma once

#include "display/caption.h"
#include "display/placement.h"

struct Display {
    Placement placement;   /* display/window.cpp */
    SharedCaption caption; /* made by the lifecycle; see caption.h */
};

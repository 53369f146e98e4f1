/* How a part of a whole travels between the plugin's threads: the part of the track
   played, from the poller to the paint, and the place along the progress line a click
   seeks to, from the shell's thread to the link thread. */
#pragma once

/* A part in ten-thousandths of the whole: fine enough for any window's width, and a
   whole number, which one thread writes and another reads in one go. */
enum { PART_SCALE = 10000 };

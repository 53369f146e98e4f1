/* The message log: one line per message or remote command the player receives. */
#pragma once

/* Appends to path (UTF-8) from now on; null or an unopenable path logs to stdout. */
void logOpen(const char *path);
void logClose();
/* printf-style; the line is cut to a sane length, ended with a newline and flushed. */
void logLine(const char *format, ...);

/* The options' values themselves, writable: for their one writer (settings.cpp) and the
   table that holds them (options.cpp). Every other unit reads them through the const
   view in options.h. */
#pragma once

struct Options;

Options &optionValues();

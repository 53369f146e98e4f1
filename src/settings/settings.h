/* Finding the settings file and reading every option from it. */
#pragma once

#include "settings/options.h"

/* Finds rcPath among the four places, then reads every option from it. */
void readSettings();

/* The configuration menu, the settings file's editor and the about box. */
#pragma once

void showConfigMenu(bool popup);
void editSettingsFile();
void showAboutBox();

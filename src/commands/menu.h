/* The configuration menu and the common tail of every on/off option. */
#pragma once

void showConfigMenu(bool popup);
/* Announces flag's state under word, writes it under key, applies it, refreshes the menu. */
void announceSetting(bool *flag, const char *word, const char *key);
/* Inverts flag, then announces it as above. */
void toggleSetting(bool *flag, const char *word, const char *key);
void editSettingsFile();
void showAboutBox();

/* Finding the settings file and reading every option from it. */
#pragma once

#include "plugin/state.h"

/* Finds rcPath among the four places, then reads all 31 keys into the state. */
void readSettings();
/* Reads the settings again; true when anything read differs from what was held. A file
   that only holds what the plugin wrote itself changes nothing. */
bool rereadSettings();

/* The four places of the settings file, in the order they are tried: Warblerc and
   Warble.rc beside the plugin, then the same in the shell's folder. */
enum { SETTINGS_PLACES = 4 };
void settingsPlaces(char places[SETTINGS_PLACES][TEXT_SIZE]);

/* The settings keys the plugin reads and writes. */
#define KEY_X "Warble.plugin.x:"
#define KEY_Y "Warble.plugin.y:"
#define KEY_DOVOZIZUVAV "Warble.plugin.doVozizuvavExtensions:"
#define KEY_IN_SLIT "Warble.plugin.inSlit:"
#define KEY_TRANSPARENCY "Warble.plugin.transparency.enabled:"
#define KEY_TRANSBACK "Warble.plugin.transback.enabled:"
#define KEY_ALPHA "Warble.plugin.transparency.alpha:"
#define KEY_ALWAYS_ON_TOP "Warble.plugin.alwaysontop:"
#define KEY_SNAP "Warble.plugin.snapwindow:"
#define KEY_TOGGLE_WITH_PLUGINS "Warble.plugin.togglewithplugins:"
#define KEY_UPDATE_URL "Warble.plugin.update.url:"
#define KEY_WIDTH "Warble.plugin.width:"
#define KEY_HEIGHT "Warble.plugin.height:"
#define KEY_SCROLLING "Warble.plugin.scrolling:"
#define KEY_TRACK_NUMBER "Warble.plugin.showTrackNumber:"
#define KEY_BORDER "Warble.plugin.showBorder:"
#define KEY_SCROLL_STYLE "Warble.plugin.scroll_style:"
#define KEY_CUSTOM_FONT "Warble.plugin.useCustomFont:"
#define KEY_FONT "Warble.plugin.font:"
#define KEY_FONT_HEIGHT "Warble.plugin.font.height:"
#define KEY_FONT_WEIGHT "Warble.plugin.font.weight:"
#define KEY_IDLE_STATE "Warble.plugin.idle.state:"
#define KEY_IDLE_MESSAGE "Warble.plugin.idle.message:"
#define KEY_IDLE_TIME "Warble.plugin.idle.TimeStr:"
#define KEY_SCROLL_SPEED "Warble.plugin.scroll.speed:"
#define KEY_SCROLL_PAUSE "Warble.plugin.scroll.pause:"
#define KEY_HIDE_WHEN_IDLE "Warble.plugin.hideWhenIdle:"
#define KEY_DOUBLE_CLICK "Warble.plugin.mouse.doubleClick:"
#define KEY_WHEEL "Warble.plugin.mouse.wheel:"
#define KEY_TOOLTIP "Warble.plugin.tooltip:"
#define KEY_PROGRESS "Warble.plugin.progress:"

#define DEFAULT_TIME_FORMAT "%a %d %b - %I:%M %p"

#include "skin/skin_strip.h"

// Constructed before the entry function runs, released at exit in reverse.
SkinStrip sideStrip;
SkinStrip toolbarStrip;
SkinStrip editBackgroundStrip;
SkinStrip folderIconStrip;
SkinStrip folderSelectedIconStrip;
SkinStrip noteIconStrip;
SkinStrip noteSelectedIconStrip;

#pragma once

// True when the window system that the environment names (QT_QPA_PLATFORM, WAYLAND_DISPLAY,
// DISPLAY) answers. Qt ends the whole process when it cannot reach the display it was told of,
// so a stale DISPLAY must be found out before the window system is started.
bool DisplayReachable();

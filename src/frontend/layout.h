#pragma once

// Geometry in twips (15 per device-independent pixel), single precision, relative to the
// control's container.
struct TwipsRect {
  float Left = 0;
  float Top = 0;
  float Width = 0;
  float Height = 0;
};

inline constexpr float kTwipsPerPixel = 15.0f;

// Returns twips converted to the nearest whole pixel.
int TwipsToPixels(float twips);

// The controls that the window's layout moves, at their current geometry.
struct MainLayout {
  TwipsRect File1, List1, cmdLaunch, cmdRescan, cmdPRescan, cmdList, FraData;
  TwipsRect cmdInfo, cmdEditInfo, cmdDelInfo, cmdRules, cmdDesc, cmdSnapShot, cmdGlass, cmdCab,
      cmdFlyer;
  // In the free space: the filter beside cmdLaunch, the sort order beside cmdList, favourite and
  // collection check beside cmdDelInfo.
  TwipsRect txtFilter, cmdSort, cmdFavourite, cmdCheck, cmdSettings;
  // Never moved by the layout: the controls inside FraData (placed when they are shown) and
  // the hidden picture holders.
  TwipsRect lblInfo, txtRules, imgArt, PicSnap, PicMarquee, picCabinet, PicFlyer;
};

// The window's client area at design, in twips.
inline constexpr float kDesignClientWidth = 16290.0f;
inline constexpr float kDesignClientHeight = 8010.0f;

// Returns the design geometry of the window's controls.
MainLayout DesignLayout();

// The smallest outer size (twips) at which LayOut keeps every row of buttons whole and apart:
// the left half holds its top row and, at the bottom, cmdLaunch and some of the filter; the
// right half its two rows; the frame keeps some height.
struct TwipsSize {
  float Width = 0;
  float Height = 0;
};
TwipsSize MinimumWindowSize();

// Lays `layout` out for a window of outer width `width` and height `height` (twips). A computed
// width or height below 0 is rejected and the control keeps its previous value.
void LayOut(MainLayout& layout, float width, float height);

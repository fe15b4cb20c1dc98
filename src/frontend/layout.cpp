#include "frontend/layout.h"

#include <algorithm>
#include <cmath>

int TwipsToPixels(float twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

MainLayout DesignLayout() {
  MainLayout d;
  d.File1 = {240, 240, 7455, 7500};
  d.List1 = {240, 240, 495, 450};
  d.cmdRescan = {240, 0, 1815, 255};
  d.cmdPRescan = {2040, 0, 1815, 255};
  d.cmdList = {3840, 0, 2055, 255};
  d.cmdLaunch = {240, 7800, 2775, 255};
  // The display buttons end where the alias row starts: drawn 375 high, they covered its top
  // pixel.
  d.cmdInfo = {7800, 120, 975, 360};
  d.cmdSnapShot = {8760, 120, 855, 360};
  d.cmdGlass = {9600, 120, 975, 360};
  d.cmdCab = {10560, 120, 735, 360};
  d.cmdFlyer = {11280, 120, 495, 360};
  d.cmdRules = {11760, 120, 615, 360};
  d.cmdDesc = {12360, 120, 975, 360};
  d.cmdEditInfo = {7800, 480, 1215, 255};
  d.cmdDelInfo = {9000, 480, 1215, 255};
  d.FraData = {7800, 840, 6015, 7215};
  d.txtFilter = {3120, 7800, 4575, 255};
  d.cmdSort = {5895, 0, 1800, 255};
  d.cmdFavourite = {10215, 480, 1215, 255};
  d.cmdCheck = {11430, 480, 1455, 255};
  d.cmdSettings = {12885, 480, 855, 255};
  d.lblInfo = {600, 1680, 1575, 855};
  d.txtRules = {720, 360, 1215, 615};
  d.imgArt = {840, 720, 1935, 1215};
  d.PicSnap = {120, 840, 2775, 2175};
  d.PicMarquee = {9840, 4560, 2775, 1455};
  d.picCabinet = {7800, 3000, 2775, 2175};
  d.PicFlyer = {10680, 1560, 2535, 2295};
  return d;
}

namespace {

// The gap between cmdLaunch and the filter, and the least of the filter and the frame kept.
constexpr float kFilterGap = 105.0f;
constexpr float kMinFilterWidth = 1500.0f;
constexpr float kMinFrameHeight = 3000.0f;

// A control refuses a negative size and keeps the one it has.
void SetSize(float& field, float value) {
  if (value >= 0) field = value;
}

// Places `next` directly to the right of `previous`.
void RightOf(TwipsRect& next, const TwipsRect& previous) {
  next.Left = previous.Left + previous.Width;
}

}  // namespace

void LayOut(MainLayout& l, float width, float height) {
  // Each step reads what the steps before it left, so a refused size carries on.
  const float margin = l.File1.Left;
  const float top = l.File1.Top;
  SetSize(l.File1.Height, height - 5 * top);
  SetSize(l.File1.Width, width / 2 - 2 * margin);
  SetSize(l.List1.Height, l.File1.Height);
  SetSize(l.List1.Width, l.File1.Width);
  l.cmdLaunch.Left = l.List1.Left;
  l.cmdLaunch.Top = l.List1.Top + l.List1.Height;
  l.cmdRescan.Left = l.File1.Left;
  RightOf(l.cmdPRescan, l.cmdRescan);
  RightOf(l.cmdList, l.cmdPRescan);
  SetSize(l.FraData.Width, l.File1.Width);
  SetSize(l.FraData.Height, height - 2 * l.FraData.Top);
  l.FraData.Left = l.File1.Left + l.File1.Width + margin;
  l.cmdInfo.Left = l.FraData.Left;
  l.cmdEditInfo.Left = l.cmdInfo.Left;
  RightOf(l.cmdDelInfo, l.cmdEditInfo);
  RightOf(l.cmdRules, l.cmdInfo);
  RightOf(l.cmdDesc, l.cmdRules);
  RightOf(l.cmdSnapShot, l.cmdDesc);
  RightOf(l.cmdGlass, l.cmdSnapShot);
  RightOf(l.cmdCab, l.cmdGlass);
  RightOf(l.cmdFlyer, l.cmdCab);
  // The new controls keep their distance from the ones they stand beside.
  l.txtFilter.Left = l.cmdLaunch.Left + l.cmdLaunch.Width + kFilterGap;
  l.txtFilter.Top = l.cmdLaunch.Top;
  SetSize(l.txtFilter.Width, l.List1.Left + l.List1.Width - l.txtFilter.Left);
  RightOf(l.cmdSort, l.cmdList);
  RightOf(l.cmdFavourite, l.cmdDelInfo);
  RightOf(l.cmdCheck, l.cmdFavourite);
  RightOf(l.cmdSettings, l.cmdCheck);
}

TwipsSize MinimumWindowSize() {
  const MainLayout d = DesignLayout();
  const float margin = d.File1.Left;
  // Each half is half the window: the list's margin and its widest row, then the frame's rows
  // and a margin again.
  const float left =
      std::max(d.cmdRescan.Width + d.cmdPRescan.Width + d.cmdList.Width + d.cmdSort.Width,
               d.cmdLaunch.Width + kFilterGap + kMinFilterWidth);
  const float right =
      std::max(d.cmdInfo.Width + d.cmdRules.Width + d.cmdDesc.Width + d.cmdSnapShot.Width +
                   d.cmdGlass.Width + d.cmdCab.Width + d.cmdFlyer.Width,
               d.cmdEditInfo.Width + d.cmdDelInfo.Width + d.cmdFavourite.Width + d.cmdCheck.Width +
                   d.cmdSettings.Width);
  return {2 * (margin + std::max(left, right)), 2 * d.FraData.Top + kMinFrameHeight};
}

#include "frontend/layout.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// The buttons, whose size the layout never touches.
std::vector<TwipsRect MainLayout::*> Buttons() {
  return {&MainLayout::cmdLaunch,   &MainLayout::cmdRescan, &MainLayout::cmdPRescan,
          &MainLayout::cmdList,     &MainLayout::cmdInfo,   &MainLayout::cmdEditInfo,
          &MainLayout::cmdDelInfo,  &MainLayout::cmdRules,  &MainLayout::cmdDesc,
          &MainLayout::cmdSnapShot, &MainLayout::cmdGlass,  &MainLayout::cmdCab,
          &MainLayout::cmdFlyer};
}

TEST(LayOut, WorkedExampleOfAWideWindow) {
  MainLayout l = DesignLayout();
  LayOut(l, 16740, 8700);
  EXPECT_FLOAT_EQ(l.File1.Width, 7890);
  EXPECT_FLOAT_EQ(l.File1.Height, 7500);
  EXPECT_FLOAT_EQ(l.File1.Left, 240);
  EXPECT_FLOAT_EQ(l.File1.Top, 240);
  EXPECT_FLOAT_EQ(l.List1.Width, 7890);
  EXPECT_FLOAT_EQ(l.List1.Height, 7500);
  EXPECT_FLOAT_EQ(l.cmdLaunch.Left, 240);
  EXPECT_FLOAT_EQ(l.cmdLaunch.Top, 7740);
  EXPECT_FLOAT_EQ(l.cmdPRescan.Left, 2055);
  EXPECT_FLOAT_EQ(l.cmdList.Left, 3870);
  EXPECT_FLOAT_EQ(l.FraData.Left, 8370);
  EXPECT_FLOAT_EQ(l.FraData.Width, 7890);
  EXPECT_FLOAT_EQ(l.FraData.Height, 7020);
  EXPECT_FLOAT_EQ(l.cmdInfo.Left, 8370);
  EXPECT_FLOAT_EQ(l.cmdEditInfo.Left, 8370);
  EXPECT_FLOAT_EQ(l.cmdDelInfo.Left, 9585);
  EXPECT_FLOAT_EQ(l.cmdRules.Left, 9345);
  EXPECT_FLOAT_EQ(l.cmdDesc.Left, 9960);
  EXPECT_FLOAT_EQ(l.cmdSnapShot.Left, 10935);
  EXPECT_FLOAT_EQ(l.cmdGlass.Left, 11790);
  EXPECT_FLOAT_EQ(l.cmdCab.Left, 12765);
  EXPECT_FLOAT_EQ(l.cmdFlyer.Left, 13500);
}

TEST(LayOut, ResizingAgainStartsFromTheCurrentGeometry) {
  MainLayout l = DesignLayout();
  LayOut(l, 16740, 8700);
  LayOut(l, 12000, 6000);
  EXPECT_FLOAT_EQ(l.File1.Width, 5520);
  EXPECT_FLOAT_EQ(l.File1.Height, 4800);
  EXPECT_FLOAT_EQ(l.cmdLaunch.Top, 5040);
  EXPECT_FLOAT_EQ(l.FraData.Left, 6000);
  EXPECT_FLOAT_EQ(l.FraData.Width, 5520);
  EXPECT_FLOAT_EQ(l.FraData.Height, 4320);
}

TEST(LayOut, OnlyTheLaunchButtonEverMovesDownAndNoButtonChangesSize) {
  const MainLayout design = DesignLayout();
  MainLayout l = design;
  for (const auto& [w, h] : std::vector<std::pair<float, float>>{
           {16740, 8700}, {30000, 20000}, {900, 600}, {5000, 1000}}) {
    LayOut(l, w, h);
    for (TwipsRect MainLayout::*button : Buttons()) {
      EXPECT_FLOAT_EQ((l.*button).Width, (design.*button).Width);
      EXPECT_FLOAT_EQ((l.*button).Height, (design.*button).Height);
      if (button != &MainLayout::cmdLaunch) {
        EXPECT_FLOAT_EQ((l.*button).Top, (design.*button).Top);
      }
    }
    EXPECT_FLOAT_EQ(l.File1.Top, 240);
    EXPECT_FLOAT_EQ(l.List1.Top, 240);
    EXPECT_FLOAT_EQ(l.FraData.Top, 840);
  }
  // Controls inside the frame and the picture holders are not the layout's.
  EXPECT_FLOAT_EQ(l.imgArt.Width, design.imgArt.Width);
  EXPECT_FLOAT_EQ(l.PicFlyer.Left, design.PicFlyer.Left);
}

TEST(LayOut, ANegativeSizeIsRefusedAndTheNextStepsUseTheKeptOne) {
  MainLayout l = DesignLayout();
  LayOut(l, 16740, 8700);
  // 900 wide: the list would be -30 wide; 1000 high: the list would be -200 high.
  LayOut(l, 900, 1000);
  EXPECT_FLOAT_EQ(l.File1.Width, 7890);
  EXPECT_FLOAT_EQ(l.File1.Height, 7500);
  EXPECT_FLOAT_EQ(l.List1.Width, 7890);
  EXPECT_FLOAT_EQ(l.cmdLaunch.Top, 7740);
  EXPECT_FLOAT_EQ(l.FraData.Left, 8370);
  EXPECT_FLOAT_EQ(l.FraData.Width, 7890);
  // So is the frame's height, 1000 - 2 * 840, until the window is tall enough again.
  EXPECT_FLOAT_EQ(l.FraData.Height, 7020);
  LayOut(l, 900, 2000);
  EXPECT_FLOAT_EQ(l.FraData.Height, 320);
}

}  // namespace

#include "frontend/artwork.h"

#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "support/temp_dir.h"

namespace {

class ArtworkTest : public testing::Test {
 protected:
  ArtworkTest() {
    settings_.SnapPath2 = dir_.Path("vp/snap/");
    settings_.SnapPath = dir_.Path("mame/snap/");
    settings_.CabPath = dir_.Path("mame/cabinets/");
    settings_.FlyerPath2 = dir_.Path("vp/flyers/");
    state_ = {.RomName = "abc", .BaseName = "Base"};
  }

  std::string Touch(const std::string& relative) { return dir_.WriteFile(relative, "x"); }
  std::string Snap() { return FindArtwork(ArtKind::kSnapShot, settings_, state_); }

  TempDir dir_;
  FrontendSettings settings_;
  WindowState state_;
};

TEST_F(ArtworkTest, LocalFolderWinsThenEarlierNameThenPng) {
  Touch("mame/snap/abc.png");
  EXPECT_EQ(Snap(), dir_.Path("mame/snap/abc.png"));
  Touch("vp/snap/Base.jpg");
  EXPECT_EQ(Snap(), dir_.Path("vp/snap/Base.jpg"));
  Touch("vp/snap/abc.jpg");
  EXPECT_EQ(Snap(), dir_.Path("vp/snap/abc.jpg"));
  Touch("vp/snap/abc.png");
  EXPECT_EQ(Snap(), dir_.Path("vp/snap/abc.png"));
  EXPECT_EQ(FindArtwork(ArtKind::kBackglass, settings_, state_), "");
}

TEST_F(ArtworkTest, AliasHidesTheRomNameAndColonsLeaveTheBaseName) {
  Touch("vp/snap/abc.png");
  state_.RomAlias = "xyz";
  EXPECT_EQ(Snap(), "");
  state_.PMParent = "abc";
  EXPECT_EQ(Snap(), dir_.Path("vp/snap/abc.png"));

  state_ = {.RomName = "abc", .BaseName = "Star:Trek", .RomAlias = "xyz"};
  Touch("mame/snap/StarTrek.jpg");
  EXPECT_EQ(Snap(), dir_.Path("mame/snap/StarTrek.jpg"));
}

TEST_F(ArtworkTest, OnlyOrdinaryFilesCountAndNamesIgnoreCase) {
  dir_.MakeDir("vp/snap/abc.png");  // a folder is no artwork
  Touch("vp/snap/.png");            // nor is the hidden file that an empty name reaches
  Touch("mame/snap/Abc.png");
  Touch("mame/snap/ABC.PNG");
  EXPECT_EQ(Snap(), dir_.Path("mame/snap/ABC.PNG"));  // the first spelling in byte order

  settings_.SnapPath2 = dir_.Path("vp/snap");  // joined as it is, without a "/"
  Touch("vp/SNAPbase.jpg");
  EXPECT_EQ(Snap(), dir_.Path("vp/SNAPbase.jpg"));
}

TEST_F(ArtworkTest, LoadArtworkFillsThePathsAndDecodesEachKind) {
  dir_.MakeDir("vp/snap");
  dir_.MakeDir("mame/cabinets");
  QImage image(40, 30, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  ASSERT_TRUE(image.save(QString::fromStdString(dir_.Path("vp/snap/abc.png"))));
  ASSERT_TRUE(
      image.scaled(20, 50).save(QString::fromStdString(dir_.Path("mame/cabinets/Base.jpg"))));
  const std::string flyer = Touch("vp/flyers/abc.png");  // not a picture
  state_.BackglassFile = "from the last table";

  const std::array<QPixmap, 4> pictures = LoadArtwork(settings_, state_);
  EXPECT_EQ(state_.SnapFile, dir_.Path("vp/snap/abc.png"));
  EXPECT_EQ(state_.BackglassFile, "");
  EXPECT_EQ(state_.CabFile, dir_.Path("mame/cabinets/Base.jpg"));
  EXPECT_EQ(state_.FlyerFile, flyer);
  EXPECT_EQ(pictures[ArtIndex(ArtKind::kSnapShot)].size(), QSize(40, 30));
  EXPECT_TRUE(pictures[ArtIndex(ArtKind::kBackglass)].isNull());
  EXPECT_EQ(pictures[ArtIndex(ArtKind::kCabinet)].size(), QSize(20, 50));
  EXPECT_TRUE(pictures[ArtIndex(ArtKind::kFlyer)].isNull());
}

void ExpectRect(const TwipsRect& rect, float left, float top, float width, float height) {
  EXPECT_FLOAT_EQ(rect.Left, left);
  EXPECT_FLOAT_EQ(rect.Top, top);
  EXPECT_FLOAT_EQ(rect.Width, width);
  EXPECT_FLOAT_EQ(rect.Height, height);
}

TEST(SizeImage, WidePicturesFitTheWidthAndTallOrSquareOnesTheHeight) {
  ExpectRect(FitPicture(QPixmap(400, 300), {7800, 840, 8400, 7000}, {}), 200, 300, 8000, 6000);
  ExpectRect(SizeImage(300 * 15, 600 * 15, 8400, 6800, {}), 2600, 400, 3000, 6000);
  // A square goes by the height, and the other side is not limited by the frame.
  ExpectRect(SizeImage(100, 100, 2000, 7000, {}), -2200, 400, 6200, 6200);

  // 5 x 3 pixels in a 6015 x 7215 frame: the ratio is rounded first, so 5615 * 0.6f is not 3369.
  const TwipsRect art = SizeImage(75, 45, 6015, 7215, {});
  EXPECT_EQ(art.Height, 3369.000244140625f);
  EXPECT_EQ(art.Top, 1722.9998779296875f);
}

TEST(SizeImage, PictureWithoutSizeLeavesTheImageWhereItWas) {
  const TwipsRect current{840, 720, 1935, 1215};
  ExpectRect(SizeImage(0, 300, 8400, 7000, current), 840, 720, 1935, 1215);
  ExpectRect(SizeImage(300, 0, 8400, 7000, current), 840, 720, 1935, 1215);
  ExpectRect(FitPicture(QPixmap(), {0, 0, 8400, 7000}, current), 840, 720, 1935, 1215);
}

}  // namespace

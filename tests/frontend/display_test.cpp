// Drives the information panel and the artwork display of the real window offscreen, over a
// program folder with a catalogue, UTF-16LE text files and real PNG and JPEG artwork.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/profile.h"
#include "frontend/main_window.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace {

// The window, recording the files it would open in the system's viewer.
class DisplayForm : public Form1 {
 public:
  using Form1::Form1;
  void OpenFileExternally(const std::string& path) override { opened.push_back(path); }
  std::vector<std::string> opened;
};

class Display : public testing::Test {
 protected:
  Display() {
    dir_.MakeDir("tables");
    dir_.WriteFile("orvane.ini", "[Settings]\r\nScanIfNotFound=0\r\n[Dirs]\r\nTablePath=" +
                                     dir_.Path("tables/") + "\r\nVPPath=" + dir_.Path("vp/") +
                                     "\r\nMAMEPath=" + dir_.Path("mame/") + "\r\n");
    // alpha: a PinMAME table with every text; beta: a plain table with only a cabinet.
    dir_.WriteFile("tables/alpha.vpt", "");
    dir_.WriteFile("tables/beta.vpt", "");
    Catalogue("names.ini", "PinMAME", "alpha", "abc");
    Catalogue("names.ini", "VP", "alpha", "Alpha: Deluxe");
    Catalogue("names.ini", "VP", "beta", "Beta");
    Catalogue("info.ini", "Tabrin", "Alpha: Deluxe", "Alpha: Deluxe|Ann|1.0|2001|a@b.org|b.org");
    Catalogue("info.ini", "PMInfo", "abc", "Alpha Game|1991|Maker|");
    Catalogue("info.ini", "PMInfo", "xyz", "Xyz Game|1993|Other|");
    Utf16("vp/blurb/Alpha Deluxe.txt", "A fine table.");
    Utf16("vp/rules/Alpha Deluxe.txt", "Rule one\r\nRule two");
    Utf16("vp/description/Alpha Deluxe.txt", "Made by Ann.");
    // Local wins over MAME whatever the name; ".png" wins over ".jpg".
    Picture("vp/snap/Alpha Deluxe.jpg", Qt::green, 30, 60);
    Picture("mame/snap/abc.png", Qt::red, 40, 30);
    Picture("vp/backglass/abc.png", Qt::blue, 80, 70);
    Picture("vp/backglass/abc.jpg", Qt::yellow, 80, 70);
    Picture("mame/cabinets/abc.jpg", Qt::magenta, 20, 40);
    Picture("vp/cabinets/Beta.png", Qt::cyan, 50, 100);
  }

  void Catalogue(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    ProfileWrite(section, key, value, dir_.Path(file));
  }
  void Utf16(const std::string& file, const std::string& ascii) {
    std::string bytes;
    for (char c : ascii) bytes += std::string{c, '\0'};
    dir_.WriteFile(file, bytes);
  }
  void Picture(const std::string& file, Qt::GlobalColor color, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    dir_.WriteFile(file, "");
    ASSERT_TRUE(image.save(QString::fromStdString(dir_.Path(file))));
  }

  DisplayForm& Open() {
    form_ = std::make_unique<DisplayForm>(dir_.path(), dialogs_);
    form_->Form_Load();
    form_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    return *form_;
  }
  void Select(int row) {
    QTest::mouseClick(form_->File1->viewport(), Qt::LeftButton, {},
                      form_->File1->visualItemRect(form_->File1->item(row)).center());
  }
  // The colour in the middle of a label's picture; JPEG colours come back nearly exact.
  static QColor Middle(const QLabel* label) {
    const QImage image = label->pixmap().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
  }
  static bool Near(const QColor& a, Qt::GlobalColor b) {
    const QColor c(b);
    return std::abs(a.red() - c.red()) + std::abs(a.green() - c.green()) +
               std::abs(a.blue() - c.blue()) <
           30;
  }
  static QRect Pixels(const TwipsRect& r) {
    return {TwipsToPixels(r.Left), TwipsToPixels(r.Top), TwipsToPixels(r.Width),
            TwipsToPixels(r.Height)};
  }

  TempDir dir_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<DisplayForm> form_;
};

TEST_F(Display, ButtonsSwitchTheFrameBetweenTextsAndPictures) {
  DisplayForm& form = Open();
  EXPECT_EQ(form.lblInfo->text().toStdString(),
            "File Info:\r\n-----------------------------------\r\nVpt Name: alpha.vpt\r\n"
            "Table Type:  PinMAME\r\nRom Name:  abc\r\n\r\nVisual Pinball Info:\r\n"
            "-----------------------------------\r\nTable Name:  Alpha: Deluxe\r\n"
            "Author:  Ann\r\nVersion:  1.0\r\nRelease Date: 2001\r\nEmail:  a@b.org\r\n"
            "Website:  b.org\r\nBlurb:  A fine table.\r\n\r\nMAME Info:\r\n"
            "-----------------------------------\r\nName:  Alpha Game\r\n"
            "Manufacturer:  Maker\r\nYear:  1991\r\nParent Rom:  ");
  const struct {
    QPushButton* button;
    int16_t state;
    const char* caption;
    QWidget* shown;
  } views[] = {
      {form.cmdRules, -2, "  Showing:  Table Rules", form.txtRules},
      {form.cmdSnapShot, 1, "  Showing:  SnapShot", form.imgArt},
      {form.cmdDesc, -3, "  Showing:  Table Description", form.txtRules},
      {form.cmdGlass, 2, "  Showing:  Backglass", form.imgArt},
      {form.cmdCab, 3, "  Showing:  Cabinet", form.imgArt},
      {form.cmdFlyer, 4, "  Showing:  Flyer", form.imgArt},
      {form.cmdInfo, -1, "  Showing:  Game Info", form.lblInfo},
  };
  for (const auto& view : views) {
    QTest::mouseClick(view.button, Qt::LeftButton);
    EXPECT_EQ(form.state().ShowState, view.state) << view.caption;
    EXPECT_EQ(form.FraData->title().toStdString(), view.caption);
    for (QWidget* control :
         std::initializer_list<QWidget*>{form.lblInfo, form.txtRules, form.imgArt}) {
      EXPECT_EQ(control->isVisible(), control == view.shown) << view.caption;
    }
    if (view.state == -2) EXPECT_EQ(form.txtRules->toPlainText(), "Rule one\nRule two");
    if (view.state == -3) EXPECT_EQ(form.txtRules->toPlainText(), "Made by Ann.");
  }
  const TwipsRect& frame = form.layout().FraData;
  EXPECT_EQ(form.lblInfo->geometry(), Pixels({200, 400, frame.Width - 400, frame.Height - 800}));

  // Rules and description leave the focus alone; the other views give it to the list shown.
  form.cmdList->setFocus();
  form.cmdRules_Click();
  EXPECT_EQ(form.focusWidget(), form.cmdList);
  form.cmdCab_Click();
  EXPECT_EQ(form.focusWidget(), form.File1);
  form.cmdList_Click();
  form.cmdRules->setFocus();
  form.cmdInfo_Click();
  EXPECT_EQ(form.focusWidget(), form.List1);
}

TEST_F(Display, TheViewStaysWhenAnotherTableIsSelected) {
  DisplayForm& form = Open();
  QTest::mouseClick(form.cmdSnapShot, Qt::LeftButton);
  EXPECT_TRUE(Near(Middle(form.imgArt), Qt::green));
  Select(1);  // beta has no snapshot, and does not show alpha's
  EXPECT_EQ(form.state().ShowState, 1);
  EXPECT_TRUE(form.PicSnap->pixmap().isNull());
  EXPECT_TRUE(form.imgArt->pixmap().isNull());
  QTest::mouseClick(form.cmdCab, Qt::LeftButton);
  EXPECT_TRUE(Near(Middle(form.imgArt), Qt::cyan));
  Select(0);
  EXPECT_EQ(form.state().ShowState, 3);
  EXPECT_EQ(form.FraData->title(), "  Showing:  Cabinet");
  EXPECT_TRUE(Near(Middle(form.imgArt), Qt::magenta));
  // The information alone changes neither the view nor what it shows.
  form.GetInfo();
  EXPECT_EQ(form.state().ShowState, 3);
  EXPECT_TRUE(form.imgArt->isVisible());
  EXPECT_FALSE(form.lblInfo->isVisible());

  QTest::mouseClick(form.cmdRules, Qt::LeftButton);
  EXPECT_EQ(form.txtRules->toPlainText(), "Rule one\nRule two");
  Select(1);  // no rules: an empty box, not alpha's
  EXPECT_EQ(form.txtRules->toPlainText(), "");
  QTest::mouseClick(form.cmdInfo, Qt::LeftButton);
  Select(0);
  EXPECT_EQ(form.state().ShowState, -1);
  EXPECT_TRUE(form.lblInfo->text().contains("Vpt Name: alpha.vpt"));
}

TEST_F(Display, PicturesAreLoadedFromTheRightFilesAndFittedIntoTheFrame) {
  DisplayForm& form = Open();
  EXPECT_EQ(form.state().SnapFile, dir_.Path("vp/snap/Alpha Deluxe.jpg"));
  EXPECT_EQ(form.state().BackglassFile, dir_.Path("vp/backglass/abc.png"));
  EXPECT_EQ(form.state().CabFile, dir_.Path("mame/cabinets/abc.jpg"));
  EXPECT_EQ(form.state().FlyerFile, "");
  EXPECT_EQ(form.PicSnap->size(), QSize(30, 60));
  EXPECT_TRUE(Near(Middle(form.PicMarquee), Qt::blue));
  EXPECT_TRUE(form.PicFlyer->pixmap().isNull());
  EXPECT_EQ(form.PicFlyer->size(), QSize(169, 153));  // as designed: it never had a picture

  const TwipsRect frame = form.layout().FraData;
  form.cmdSnapShot_Click();  // tall: fitted to the frame's height
  EXPECT_EQ(form.imgArt->y(), TwipsToPixels(400));
  EXPECT_EQ(form.imgArt->height(), TwipsToPixels(frame.Height - 800));
  EXPECT_NEAR(form.imgArt->width(), form.imgArt->height() / 2, 1);
  EXPECT_EQ(form.imgArt->pixmap().deviceIndependentSize().toSize(), form.imgArt->size());
  EXPECT_TRUE(Near(Middle(form.imgArt), Qt::green));

  form.cmdGlass_Click();  // wide, and tall enough to reach the caption, which stays readable
  EXPECT_EQ(form.imgArt->x(), TwipsToPixels(200));
  EXPECT_EQ(form.imgArt->width(), TwipsToPixels(frame.Width - 400));
  EXPECT_NEAR(form.imgArt->height(), form.imgArt->width() * 7 / 8, 1);
  ASSERT_LT(form.imgArt->y(), form.FraData->contentsRect().top());
  EXPECT_EQ(form.imgArt->mask().boundingRect().top() + form.imgArt->y(),
            form.FraData->contentsRect().top());

  // No flyer: an empty picture where the last one was. A resize does not refit it.
  const QRect fitted = form.imgArt->geometry();
  form.cmdFlyer_Click();
  EXPECT_TRUE(form.imgArt->isVisible());
  EXPECT_TRUE(form.imgArt->pixmap().isNull());
  EXPECT_EQ(form.imgArt->geometry(), fitted);
  form.resize(form.width() + 150, form.height() + 90);
  EXPECT_NE(form.layout().FraData.Width, frame.Width);
  EXPECT_EQ(form.imgArt->geometry(), fitted);
}

TEST_F(Display, AliasIsEditedAndDeletedThroughAnInputBox) {
  DisplayForm& form = Open();
  form.cmdList_Click();
  const QString first_name = form.List1->item(0)->text();
  dialogs_.Type("xyz").Cancel();
  QTest::mouseClick(form.cmdEditInfo, Qt::LeftButton);
  EXPECT_EQ(dialogs_.shown().back(), ShownBox::Input("Rename The Rom Alias", "Edit Info", ""));
  EXPECT_EQ(ProfileRead("Alias", "abc", dir_.Path("alias.ini")), "xyz");
  // Selected again: the game entry under the alias, and artwork under the alias only.
  EXPECT_TRUE(form.lblInfo->text().contains("Alias:  xyz\r\n"));
  EXPECT_TRUE(
      form.lblInfo->text().endsWith("Name:  Xyz Game\r\nManufacturer:  Other\r\n"
                                    "Year:  1993\r\nParent Rom:  xyz"));
  EXPECT_EQ(form.state().BackglassFile, "");
  EXPECT_EQ(form.List1->item(0)->text(), first_name);  // the name list stays as it was built

  const std::string written = dir_.ReadFile("alias.ini");
  QTest::mouseClick(form.cmdEditInfo, Qt::LeftButton);
  EXPECT_EQ(dialogs_.shown().back().default_text, "xyz");
  EXPECT_EQ(dir_.ReadFile("alias.ini"), written);  // Cancel changes nothing

  QTest::mouseClick(form.cmdDelInfo, Qt::LeftButton);
  EXPECT_NE(dir_.ReadFile("alias.ini").find("abc=\r\n"), std::string::npos);
  EXPECT_FALSE(form.lblInfo->text().contains("Alias:"));
  EXPECT_EQ(form.state().BackglassFile, dir_.Path("vp/backglass/abc.png"));

  // A table the catalogue does not know has no ROM name to write under: nothing is asked.
  dir_.WriteFile("tables/gamma.vpt", "");
  form.File1->Refresh();
  form.File1->setCurrentRow(2);
  ASSERT_EQ(form.state().RomName, "");
  const size_t boxes = dialogs_.shown().size();
  const std::string before = dir_.ReadFile("alias.ini");
  form.cmdEditInfo_Click();
  form.cmdDelInfo_Click();
  EXPECT_EQ(dialogs_.shown().size(), boxes);
  EXPECT_EQ(dir_.ReadFile("alias.ini"), before);
}

TEST_F(Display, ClickingTheShownTextOrPictureOpensItsFile) {
  DisplayForm& form = Open();
  const auto click_text = [&] { QTest::mouseClick(form.txtRules->viewport(), Qt::LeftButton); };
  const auto click_picture = [&] { QTest::mouseClick(form.imgArt, Qt::LeftButton); };
  form.cmdRules_Click();
  click_text();
  form.cmdDesc_Click();
  click_text();
  form.cmdCab_Click();
  click_picture();
  form.cmdFlyer_Click();  // no file: nothing to open
  click_picture();
  Select(1);
  form.cmdRules_Click();  // no file either
  click_text();
  EXPECT_EQ(form.opened, (std::vector<std::string>{dir_.Path("vp/rules/Alpha Deluxe.txt"),
                                                   dir_.Path("vp/description/Alpha Deluxe.txt"),
                                                   dir_.Path("mame/cabinets/abc.jpg")}));
}

// The folder cache that a name view uses must find what a lookup on disk finds.
TEST(TextFolderCache, FindsWhatTheDiskFinds) {
  TempDir dir;
  for (const char* file : {"texts/ALPHA.txt", "texts/alpha.txt", "texts/beta.txt", "texts/.h.txt",
                           "texts/dir.txt/x"}) {
    dir.WriteFile(file, "x");
  }
  std::filesystem::create_symlink(dir.Path("texts/beta.txt"), dir.Path("texts/link.txt"));
  std::filesystem::create_symlink(dir.Path("texts/gone"), dir.Path("texts/dead.txt"));
  TextFolderCache cache;
  for (const std::string folder : {"texts/", "TEXTS/", "gone/"}) {
    for (const char* name : {"alpha.txt", "Alpha.txt", "BETA.TXT", ".h.txt", "dir.txt", "link.txt",
                             "dead.txt", "none.txt", "sub/x"}) {
      const std::string path = dir.Path(folder) + name;
      const std::string on_disk = OrdinaryFileExists(path) ? FindExistingPath(path) : "";
      EXPECT_EQ(cache.Find(dir.Path(folder), name), on_disk) << folder << name;
    }
  }
  EXPECT_EQ(cache.Find(dir.Path("texts/"), "Alpha.txt"), dir.Path("texts/ALPHA.txt"));
}

}  // namespace

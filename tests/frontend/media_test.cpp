// Which picture and video each cabinet screen shows, over real folders.
#include "frontend/media.h"

#include <gtest/gtest.h>

#include <string>

#include "common/settings.h"
#include "support/temp_dir.h"

namespace {

TEST(Media, EachRoleTakesThePictureAndTheVideoOfTheFirstPlaceThatHasOne) {
  TempDir dir;
  const std::string p = dir.path() + "/";
  dir.WriteFile("orvane.ini", "[Dirs]\r\nVPPath=" + p + "vp/\r\nMAMEPath=" + p +
                                  "mame/\r\nPlayfieldPath=" + p +
                                  "pf\r\nWheelPath=\\wheels\\\r\nDMDPath=" + p +
                                  "dmd/\r\nVideoPath=" + p + "video/\r\n");
  FrontendSettings settings;
  GetSettings(dir.path(), settings);
  for (const char* file :
       {"vp/snap/afm_113b.png", "mame/marquees/afm.jpg", "tables/medias/(playfield) Attack.MP4",
        "tables/medias/(Playfield) Attack.png", "tables/medias/(Wheel) Attack.gif",
        "tables/medias/(DMD) Attack.webm", "tables/medias/.(Topper) Attack.png",
        "tables/medias/(FullDMD) Other.png", "tables/ATTACK.directB2S", "pf/Plain.jpeg",
        "pf/Plain.mkv", "wheels/Attack From Mars.png", "dmd/afm.png", "video/Attack.mp4",
        "video/(Backglass) Attack.webm", "video/(Topper) Attack.mkv", "video/Plain.webm"}) {
    dir.WriteFile(file, "x");
  }
  dir.MakeDir("tables/medias/(Topper) Attack.png");  // a folder is no picture
  const MediaSubject attack{p + "tables/Attack.vpx", "afm_113b", "", "afm", "Attack: From Mars"};
  const MediaSubject plain{p + "tables/Plain.vpt", "", "", "", "Plain Table"};
  const struct {
    MediaRole role;
    const MediaSubject& subject;
    FoundMedia media;
  } rows[] = {
      // The art folders come first, but hold no videos.
      {MediaRole::kPlayfield,
       attack,
       {p + "vp/snap/afm_113b.png", p + "tables/medias/(playfield) Attack.MP4"}},
      // The MAME folder under the parent's name; the backglass file beside the table.
      {MediaRole::kBackglass,
       attack,
       {p + "mame/marquees/afm.jpg", p + "video/(Backglass) Attack.webm",
        p + "tables/ATTACK.directB2S"}},
      // The collection's folder under the table's name without its colons.
      {MediaRole::kWheel, attack, {p + "tables/medias/(Wheel) Attack.gif", ""}},
      {MediaRole::kDMD, attack, {p + "dmd/afm.png", p + "tables/medias/(DMD) Attack.webm"}},
      {MediaRole::kFullDMD, attack, {p + "dmd/afm.png", ""}},
      {MediaRole::kTopper, attack, {"", p + "video/(Topper) Attack.mkv"}},
      {MediaRole::kGameHelp, attack, {}},
      // Named after the file when there is no ROM; VideoPath's plain name for the playfield.
      {MediaRole::kPlayfield, plain, {p + "pf/Plain.jpeg", p + "pf/Plain.mkv"}},
      {MediaRole::kBackglass, plain, {}},
  };
  MediaFolders folders;
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(MediaRoleName(row.role)) + " of " + row.subject.table_path);
    const FoundMedia found = FindMedia(row.role, settings, row.subject, folders);
    EXPECT_EQ(found.picture, row.media.picture);
    EXPECT_EQ(found.video, row.media.video);
    EXPECT_EQ(found.backglass_file, row.media.backglass_file);
  }
  // The listings are kept until forgotten.
  dir.WriteFile("tables/medias/(Topper) Attack.jpg", "x");
  EXPECT_EQ(FindMedia(MediaRole::kTopper, settings, attack, folders).picture, "");
  folders.Forget();
  EXPECT_EQ(FindMedia(MediaRole::kTopper, settings, attack, folders).picture,
            p + "tables/medias/(Topper) Attack.jpg");
}

}  // namespace

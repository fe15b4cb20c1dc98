// The window's side of the information panel and the artwork display: what FraData shows, the
// alias buttons, the picture holders and opening the shown file. The logic is in info_text and
// artwork; these handlers read controls, call it and write controls.
#include <QDesktopServices>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegion>
#include <QScrollArea>
#include <QUrl>
#include <algorithm>
#include <array>
#include <functional>
#include <utility>

#include "common/paths.h"
#include "common/profile.h"
#include "frontend/artwork.h"
#include "frontend/backglass_cache.h"
#include "frontend/bitmap.h"
#include "frontend/info_text.h"
#include "frontend/main_window.h"

namespace {

// Turns a press and a release of the left button inside one widget into a click, as the old
// controls' Click event did; a press that leaves the widget before its release is no click.
class ClickFilter : public QObject {
 public:
  ClickFilter(QWidget* watched, std::function<void()> on_click)
      : QObject(watched), on_click_(std::move(on_click)) {
    watched->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) {
      pressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    } else if (event->type() == QEvent::MouseButtonRelease && pressed_) {
      pressed_ = false;
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const auto* widget = static_cast<QWidget*>(watched);
      if (mouse->button() == Qt::LeftButton &&
          widget->rect().contains(mouse->position().toPoint())) {
        on_click_();
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> on_click_;
  bool pressed_ = false;
};

// The place of a text control shown in the frame: 200 in, 400 down, 400 narrower and 800 lower
// than the frame. A size that comes out negative is kept as it was, as the layout does.
TwipsRect TextPlace(const TwipsRect& frame, const TwipsRect& current) {
  TwipsRect place = current;
  place.Left = 200.0f;
  place.Top = 400.0f;
  if (frame.Width - 400.0f >= 0.0f) place.Width = frame.Width - 400.0f;
  if (frame.Height - 800.0f >= 0.0f) place.Height = frame.Height - 800.0f;
  return place;
}

struct ArtHolder {
  QLabel* label;
  TwipsRect* place;
};

// The picture holder of each kind, in ArtIndex order, with its geometry in the layout.
std::array<ArtHolder, 4> Holders(Form1& form) {
  MainLayout& layout = form.layout();
  return {{{form.PicSnap, &layout.PicSnap},
           {form.PicMarquee, &layout.PicMarquee},
           {form.picCabinet, &layout.picCabinet},
           {form.PicFlyer, &layout.PicFlyer}}};
}

}  // namespace

void Form1::ConnectDisplay() {
  // Catalogue texts come from the internet: never read them as markup.
  lblInfo->setTextFormat(Qt::PlainText);
  txtRules->setReadOnly(true);
  new ClickFilter(txtRules->viewport(), [this] { txtRules_Click(); });
  new ClickFilter(imgArt, [this] { imgArt_Click(); });

  ConnectButtons({
      {cmdInfo, &Form1::cmdInfo_Click},
      {cmdRules, &Form1::cmdRules_Click},
      {cmdDesc, &Form1::cmdDesc_Click},
      {cmdEditInfo, &Form1::cmdEditInfo_Click},
      {cmdDelInfo, &Form1::cmdDelInfo_Click},
      {cmdSnapShot, &Form1::cmdSnapShot_Click},
      {cmdGlass, &Form1::cmdGlass_Click},
      {cmdCab, &Form1::cmdCab_Click},
      {cmdFlyer, &Form1::cmdFlyer_Click},
  });
}

void Form1::GetInfo() {
  // A name view runs this for every table: its text folders are listed once for all of them
  // rather than once per missing file. Outside one, the disk is asked as it is now.
  if (!state_.BuildingList) {
    text_folders_.reset();
  } else if (!text_folders_) {
    text_folders_.emplace();
  }
  lblInfo->setText(
      QString::fromStdString(GetInfoText(File1->FileName(), program_folder_, settings_, state_,
                                         text_folders_ ? &*text_folders_ : nullptr)));
  // Clearing an empty box still costs a relayout of its document, once per table of a name view.
  if (!txtRules->document()->isEmpty()) txtRules->clear();
}

void Form1::ShowText(int16_t show_state) {
  imgArt->hide();
  QWidget* shown = lblInfoScroll;
  const char* caption = "  Showing:  Game Info";
  if (show_state == kShowInfo) {
    txtRules->hide();
    layout_.lblInfo = TextPlace(layout_.FraData, layout_.lblInfo);
  } else {
    lblInfoScroll->hide();
    const bool rules = show_state == kShowRules;
    txtRules->setPlainText(QString::fromStdString(rules ? state_.RulesText : state_.DescText));
    caption = rules ? "  Showing:  Table Rules" : "  Showing:  Table Description";
    shown = txtRules;
    layout_.txtRules = TextPlace(layout_.FraData, layout_.txtRules);
  }
  PlaceControls();
  shown->show();
  state_.ShowState = show_state;
  FraData->setTitle(caption);
}

void Form1::cmdInfo_Click() {
  ShowText(kShowInfo);
  FocusList();
}

void Form1::cmdRules_Click() { ShowText(kShowRules); }

void Form1::cmdDesc_Click() { ShowText(kShowDescription); }

void Form1::txtRules_Click() {
  const std::string& path = state_.ShowState == kShowDescription ? state_.DescFile
                            : state_.ShowState == kShowRules     ? state_.RulesFile
                                                                 : std::string();
  if (!path.empty() && OrdinaryFileExists(path)) OpenFileExternally(path);
}

void Form1::cmdEditInfo_Click() {
  // Without a ROM name the alias would be written under an empty key.
  if (state_.RomName.empty()) return;
  const std::string answer =
      dialogs_.InputBox("Rename The Rom Alias", "Edit Info", state_.RomAlias);
  if (answer.empty()) return;  // also what Cancel gives
  state_.RomAlias = answer;
  WriteAlias();
  File1_Click();
}

void Form1::cmdDelInfo_Click() {
  if (state_.RomName.empty()) return;
  state_.RomAlias.clear();
  WriteAlias();
  File1_Click();
}

void Form1::WriteAlias() {
  const std::string file = program_folder_ + "/alias.ini";
  NoteWrite(ProfileWrite("Alias", state_.RomName, state_.RomAlias, file), file, "The alias was");
}

void Form1::LoadPictures() {
  // A name view loads the artwork once, for the table selected at its end.
  if (state_.BuildingList) return;
  std::array<QPixmap, 4> pictures = LoadArtwork(settings_, state_);
  // Without a backglass picture, the one inside the table's backglass file.
  if (state_.BackglassFile.empty() && !File1->FileName().empty()) {
    const std::string b2s = BackglassFileOf(PathInFolder(File1->Path(), File1->FileName()));
    const std::string picture = b2s.empty() ? b2s : BackglassPicture(program_folder_, b2s);
    if (!picture.empty() &&
        pictures[ArtIndex(ArtKind::kBackglass)].load(QString::fromStdString(picture))) {
      state_.BackglassFile = picture;
    }
  }
  const std::array<ArtHolder, 4> holders = Holders(*this);
  for (size_t i = 0; i < holders.size(); ++i) {
    const QPixmap& picture = pictures[i];
    if (picture.isNull()) {
      holders[i].label->clear();  // no picture, and the size it had
      continue;
    }
    holders[i].label->setPixmap(picture);
    // The holder takes the picture's size; kept in the layout so that a relayout keeps it.
    const QSizeF size = picture.deviceIndependentSize();
    holders[i].place->Width = static_cast<float>(size.width()) * kTwipsPerPixel;
    holders[i].place->Height = static_cast<float>(size.height()) * kTwipsPerPixel;
  }
  PlaceControls();

  switch (state_.ShowState) {
    case kShowDescription:
      cmdDesc_Click();
      break;
    case kShowRules:
      cmdRules_Click();
      break;
    case kShowSnapShot:
    case kShowBackglass:
    case kShowCabinet:
    case kShowFlyer:
      ShowArt(state_.ShowState);
      break;
    default:
      cmdInfo_Click();
      break;
  }
}

void Form1::SizeImage(QLabel* t_pic) {
  const std::array<ArtHolder, 4> holders = Holders(*this);
  const auto holder = std::find_if(holders.begin(), holders.end(),
                                   [t_pic](const ArtHolder& h) { return h.label == t_pic; });
  if (holder == holders.end()) return;
  const QPixmap picture = t_pic->pixmap();
  if (picture.isNull()) {
    // Nothing to fit: the image stays where it was and shows nothing.
    imgArt->clear();
  } else {
    layout_.imgArt = ::SizeImage(holder->place->Width, holder->place->Height, layout_.FraData.Width,
                                 layout_.FraData.Height, layout_.imgArt);
    PlaceControls();
    // Scaled once here rather than stretched on every repaint, and smoothly.
    imgArt->setPixmap(ScalePictureForDisplay(picture, imgArt->width(), imgArt->height(),
                                             imgArt->devicePixelRatioF()));
    // The frame's caption sits inside its top edge here: a picture that reaches above the
    // frame's line is cut there, as it is cut at the frame's other edges, so the caption stays.
    const int covered = FraData->contentsRect().top() - imgArt->y();
    if (covered > 0 && covered < imgArt->height()) {
      imgArt->setMask(QRegion(0, covered, imgArt->width(), imgArt->height() - covered));
    } else {
      imgArt->clearMask();
    }
  }
  imgArt->show();
}

void Form1::RefitFrame() {
  switch (state_.ShowState) {
    case kShowInfo:
    case kShowRules:
    case kShowDescription: {
      // The text control takes the frame's new size; its text and scroll place stay.
      TwipsRect& place = state_.ShowState == kShowInfo ? layout_.lblInfo : layout_.txtRules;
      place = TextPlace(layout_.FraData, place);
      PlaceControls();
      break;
    }
    case kShowSnapShot:
    case kShowBackglass:
    case kShowCabinet:
    case kShowFlyer:
      SizeImage(Holders(*this)[ArtIndex(static_cast<ArtKind>(state_.ShowState))].label);
      break;
    default:
      break;
  }
}

void Form1::ShowArt(int16_t show_state) {
  const auto kind = static_cast<ArtKind>(show_state);
  lblInfoScroll->hide();
  txtRules->hide();
  SizeImage(Holders(*this)[ArtIndex(kind)].label);
  state_.ShowState = show_state;
  FraData->setTitle(QString::fromStdString(ArtCaption(kind)));
  // The keys keep moving through the tables.
  FocusList();
}

void Form1::cmdSnapShot_Click() { ShowArt(kShowSnapShot); }

void Form1::cmdGlass_Click() { ShowArt(kShowBackglass); }

void Form1::cmdCab_Click() { ShowArt(kShowCabinet); }

void Form1::cmdFlyer_Click() { ShowArt(kShowFlyer); }

void Form1::imgArt_Click() {
  if (state_.ShowState < kShowSnapShot || state_.ShowState > kShowFlyer) return;
  const std::string& path = ArtFile(static_cast<ArtKind>(state_.ShowState), state_);
  if (!path.empty() && OrdinaryFileExists(path)) OpenFileExternally(path);
}

void Form1::OpenFileExternally(const std::string& path) {
  // The system's viewer for the file's type; the window does not wait for it.
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

#include "extractor/window.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QWidget>

#include "extractor/messages.h"

namespace {

constexpr int kTwipsPerPixel = 15;

int Px(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

}  // namespace

ExtractorWindow::ExtractorWindow() = default;
ExtractorWindow::~ExtractorWindow() = default;

void ExtractorWindow::Create() {
  form_ = std::make_unique<QWidget>();
  form_->setObjectName("Form1");
  form_->setWindowTitle("Tabrin INI Generator");
  form_->resize(Px(9675), Px(6075));
  label_ = new QLabel(form_.get());
  label_->setObjectName("lblCommand");
  label_->setGeometry(Px(120), Px(240), Px(9375), Px(5655));
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setWordWrap(true);
  label_->setTextFormat(Qt::PlainText);
  // "Terminal" rarely exists outside Windows; the system's fixed-pitch font stands in.
  QFont font("Terminal", 9);
  font.setStyleHint(QFont::TypeWriter);
  if (!QFontDatabase::families().contains("Terminal")) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);
  }
  label_->setFont(font);
  label_->setText(QString::fromStdString(text_));
}

void ExtractorWindow::SetText(const std::string& text) {
  text_ = text;
  if (label_) label_->setText(QString::fromStdString(text_).replace("\r\n", "\n"));
}

void ExtractorWindow::Show() {
  if (!form_) Create();
  label_->setText(QString::fromStdString(text_).replace("\r\n", "\n"));
  form_->show();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ExtractorWindow::Repaint() {
  if (!label_) return;
  label_->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ExtractorWindow::Beep() { QApplication::beep(); }

void ExtractorWindow::WaitUntilClosed() {
  if (form_ && form_->isVisible()) QApplication::exec();
}

void ExtractorWindow::ReportFailure(const std::string& message) {
  PrintError(message);
  if (form_ && form_->isVisible()) {
    QMessageBox::warning(form_.get(), form_->windowTitle(), QString::fromStdString(message));
  }
}

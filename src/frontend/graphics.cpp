#include "frontend/graphics.h"

#include <QPainter>
#include <QTransform>

#include "frontend/bitmap.h"

cGraphics::cGraphics(QObject* parent) : QObject(parent) {}

cGraphics::~cGraphics() {
  if (painter_) {
    if (kept_dc_) ReleaseDC();
    Dispose();
  }
}

long cGraphics::Execute(long status) {
  last_status_ = status;
  if (status != kImageOk) emit Error(status, GdiErrorString(status));
  return status;
}

QString cGraphics::GdiErrorString(long l_error) { return cBitmap::GdiErrorString(l_error); }

long cGraphics::DrawingStatus() const {
  if (!painter_) return kImageInvalidParameter;
  if (kept_dc_) return kImageObjectBusy;
  return kImageOk;
}

long cGraphics::Begin(QPaintDevice* device) {
  Dispose();
  if (!device) return Execute(kImageInvalidParameter);
  auto painter = std::make_unique<QPainter>();
  if (!painter->begin(device)) return Execute(kImageWrongState);
  painter->setRenderHint(QPainter::SmoothPixmapTransform);
  painter_ = std::move(painter);
  return Execute(kImageOk);
}

long cGraphics::CreateFromHDC(QPaintDevice* l_hdc) { return Begin(l_hdc); }

long cGraphics::CreateFromHWND(QPaintDevice* l_hwnd) { return Begin(l_hwnd); }

long cGraphics::CreateFromGraphics(int l_width, int l_height, QImage& l_bmp_handle) {
  const long status = DrawingStatus();
  if (status != kImageOk) return Execute(status);
  if (l_width <= 0 || l_height <= 0) return Execute(kImageInvalidParameter);
  QImage::Format format = QImage::Format_ARGB32_Premultiplied;
  const QPaintDevice* device = painter_->device();
  if (device && device->devType() == QInternal::Image) {
    format = static_cast<const QImage*>(device)->format();
  }
  QImage image(l_width, l_height, format);
  if (image.isNull()) return Execute(kImageOutOfMemory);
  image.fill(0);
  l_bmp_handle = std::move(image);
  return Execute(kImageOk);
}

void cGraphics::Dispose() {
  kept_dc_ = nullptr;
  painter_.reset();  // ends the drawing
}

long cGraphics::DrawImageI(const QImage* l_bmp_handle, int x, int y) {
  const long status = DrawingStatus();
  if (status != kImageOk) return Execute(status);
  if (!l_bmp_handle || l_bmp_handle->isNull()) return Execute(kImageInvalidParameter);
  painter_->drawImage(QPoint(x, y), *l_bmp_handle);
  return Execute(kImageOk);
}

long cGraphics::DrawImageRectI(const QImage* l_bmp_handle, int x, int y, int l_width,
                               int l_height) {
  const long status = DrawingStatus();
  if (status != kImageOk) return Execute(status);
  if (!l_bmp_handle || l_bmp_handle->isNull()) return Execute(kImageInvalidParameter);
  painter_->drawImage(QRect(x, y, l_width, l_height), *l_bmp_handle);
  return Execute(kImageOk);
}

long cGraphics::GetDC() {
  const long status = DrawingStatus();
  if (status != kImageOk) return Execute(status);
  kept_dc_ = painter_->device();
  return Execute(kImageOk);
}

long cGraphics::ReleaseDC() {
  if (!painter_ || !kept_dc_) return Execute(kImageInvalidParameter);
  kept_dc_ = nullptr;
  return Execute(kImageOk);
}

long cGraphics::ResetTransform() {
  const long status = DrawingStatus();
  if (status != kImageOk) return Execute(status);
  painter_->resetTransform();
  return Execute(kImageOk);
}

long cGraphics::RotateTransform(float sng_angle, int e_order) {
  const long status = DrawingStatus();
  if (status != kImageOk) return Execute(status);
  if (e_order != 0 && e_order != 1) return Execute(kImageInvalidParameter);
  const QTransform rotation = QTransform().rotate(sng_angle);
  // Qt's transforms act on row vectors, so "before" is rotation * current.
  const QTransform current = painter_->worldTransform();
  painter_->setWorldTransform(e_order == 0 ? rotation * current : current * rotation);
  return Execute(kImageOk);
}

long cGraphics::TranslateTransform(float dx, float dy, int e_order) {
  const long status = DrawingStatus();
  if (status != kImageOk) return Execute(status);
  if (e_order != 0 && e_order != 1) return Execute(kImageInvalidParameter);
  const QTransform translation = QTransform::fromTranslate(dx, dy);
  const QTransform current = painter_->worldTransform();
  painter_->setWorldTransform(e_order == 0 ? translation * current : current * translation);
  return Execute(kImageOk);
}

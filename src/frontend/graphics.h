#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <memory>

class QPaintDevice;
class QPainter;

// Holds one drawing surface: a painter on an image, a pixmap or another paint device. Reports
// failures like cBitmap: the returned status, CurErr() and the Error signal. Used from the
// window's thread only.
class cGraphics : public QObject {
  Q_OBJECT

 public:
  explicit cGraphics(QObject* parent = nullptr);
  // Gives back a kept device, then ends the drawing.
  ~cGraphics() override;

  // Fills `l_bmp_handle` with a blank image of that size in the surface's pixel format.
  // 2 without a surface or for a bad size.
  long CreateFromGraphics(int l_width, int l_height, QImage& l_bmp_handle);
  // Starts drawing on `l_hdc` (an image or a pixmap), ending any earlier drawing. 2 for none,
  // 8 when the device cannot be painted on now.
  long CreateFromHDC(QPaintDevice* l_hdc);
  // The same for a window's surface; Qt lets a widget be painted only inside its paint event,
  // so elsewhere this answers 8.
  long CreateFromHWND(QPaintDevice* l_hwnd);
  long CurErr() const { return last_status_; }
  // Ends the drawing; the object then holds no surface.
  void Dispose();
  // Draws `l_bmp_handle` at its own size with its top left corner at (x, y).
  long DrawImageI(const QImage* l_bmp_handle, int x, int y);
  // Draws `l_bmp_handle` stretched into the rectangle, with smooth filtering.
  long DrawImageRectI(const QImage* l_bmp_handle, int x, int y, int l_width, int l_height);
  // Keeps the surface's device for direct use; drawing answers 4 until ReleaseDC.
  long GetDC();
  static QString GdiErrorString(long l_error);
  // The painter, or nullptr without a surface.
  QPainter* Handle() const { return painter_.get(); }
  // The device kept by GetDC, or nullptr.
  QPaintDevice* KeptDC() const { return kept_dc_; }
  long ReleaseDC();
  long ResetTransform();
  // e_order 0 applies the rotation before the current transform, 1 after it.
  long RotateTransform(float sng_angle, int e_order = 0);
  long TranslateTransform(float dx, float dy, int e_order = 0);

 signals:
  void Error(long l_gdi_error, QString s_error_desc);

 private:
  long Execute(long status);
  long Begin(QPaintDevice* device);
  // The status for a drawing call now: 2 without a surface, 4 while the device is kept.
  long DrawingStatus() const;

  std::unique_ptr<QPainter> painter_;
  QPaintDevice* kept_dc_ = nullptr;
  long last_status_ = 0;
};

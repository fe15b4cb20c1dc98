#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <optional>

class QPainter;

// Status codes of the image objects: 0 is success, the rest name what went wrong.
enum ImageStatus : long {
  kImageOk = 0,
  kImageGenericError = 1,
  kImageInvalidParameter = 2,
  kImageOutOfMemory = 3,
  kImageObjectBusy = 4,
  kImageNotImplemented = 6,
  kImageWrongState = 8,
  kImageFileNotFound = 10,
  kImageAccessDenied = 12,
  kImageUnknownFormat = 13,
  kImageNotInitialized = 18,
};

// Holds at most one decoded image and turns it into a picture that a picture holder (a QLabel)
// can show. Failures are reported through the returned status, CurErr() and the Error signal;
// nothing is ever shown to the user. Used from the window's thread only.
class cBitmap : public QObject {
  Q_OBJECT

 public:
  // Builds the encoder table from the image formats that Qt can write: one encoder per
  // format, listing the pattern "*." and the format name in upper case.
  explicit cBitmap(QObject* parent = nullptr);
  ~cBitmap() override;

  // Makes the held image one over `l_data_ptr` (not copied: it must outlive the image). Returns the
  // status; 2 for a size, stride or format that cannot describe an image.
  long CreateFromScan0(int l_width, int l_height, int l_stride, QImage::Format e_pixel_formats,
                       uchar* l_data_ptr);
  // Makes the held image a copy of `h_bitmap`, without palette. 2 for a null pixmap.
  long CreateFromHBitmap(const QPixmap& h_bitmap);
  // Makes the held image a blank one of that size, in the pixel format of the surface that
  // `l_graphic_handle` paints on. 2 for a bad size or no surface.
  long CreateFromGraphics(int l_width, int l_height, const QPainter* l_graphic_handle);

  // The status of the last call that went through the status check.
  long CurErr() const { return last_status_; }
  // Releases the held image; the object then holds none.
  void Dispose();
  // The encoder index for a pattern such as "*.png" (any case), or -1.
  long ExtensionExists(const QString& s_key) const;
  // Replaces the held image by the decoded file; holds none when that fails. Returns the
  // status of the load: 2 for an empty name, 10 for a missing file, 12 for an unreadable one,
  // 13 for content that does not decode.
  long LoadFromFile(const QString& s_file_name);
  // The message of a status code; "Unknown GDI+ Error" for 0 and for unknown codes.
  static QString GdiErrorString(long l_error);
  // The held image, or nullptr when there is none.
  const QImage* Handle() const { return image_ ? &*image_ : nullptr; }
  // Size of the held image in device-independent pixels, rounded half to even; 0 without one.
  long Height() const { return height_; }
  long Width() const { return width_; }
  // The held image as an opaque picture, transparent parts black; a null pixmap when there
  // is no image (also after a failed load) or no GUI application to make pixmaps.
  QPixmap Picture();
  // Pixel format of the held image; QImage::Format_Invalid without one.
  QImage::Format PixelFormat() const { return pixel_format_; }
  // Makes palette entry (l_index & 0xFF) of an indexed held image fully transparent.
  void SetTransColor(long l_index);
  // Replaces the palette of the held image. 2 without an image, or for a non-empty palette
  // on an image that has none.
  long SetPalette(const QList<QRgb>& l_pal_pointer);

 signals:
  void Error(long l_gdi_error, QString s_error_desc);

 private:
  long Execute(long status);
  void RefreshImageInfo();
  long TakeImage(QImage image);
  QList<QRgb> GetPalette() const;

  std::optional<QImage> image_;
  long last_status_ = kImageOk;
  QImage::Format pixel_format_ = QImage::Format_Invalid;
  long width_ = 0;
  long height_ = 0;
  long encoder_count_ = 0;
  QList<QByteArray> encoder_formats_;
  // Keys are upper case, so lookups ignore case.
  QHash<QString, long> extension_map_;
};

// Returns `value` rounded to the nearest whole number, halves to even.
long RoundHalfToEven(double value);

// Returns `picture` stretched to `width` x `height` device-independent pixels with smooth
// filtering, drawn at `device_pixel_ratio` so it stays sharp on dense screens; a null pixmap
// for a null picture or an empty size.
QPixmap ScalePictureForDisplay(const QPixmap& picture, int width, int height,
                               qreal device_pixel_ratio = 1.0);

#include "frontend/bitmap.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <cmath>

#include "common/paths.h"

namespace {

bool IsIndexed(QImage::Format format) {
  return format == QImage::Format_Indexed8 || format == QImage::Format_Mono ||
         format == QImage::Format_MonoLSB;
}

// Maps a failed read onto the status codes that callers know.
long ReadFailureStatus(const QImageReader& reader, const QFileInfo& file) {
  switch (reader.error()) {
    case QImageReader::FileNotFoundError:
      // The reader says "not found" for a file it could not open, too.
      return file.exists() ? kImageAccessDenied : kImageFileNotFound;
    case QImageReader::UnsupportedFormatError:
    case QImageReader::InvalidDataError:
      return kImageUnknownFormat;
    case QImageReader::DeviceError:
      return file.isReadable() ? kImageGenericError : kImageAccessDenied;
    default:
      return kImageGenericError;
  }
}

}  // namespace

long RoundHalfToEven(double value) {
  const double lower = std::floor(value);
  const double fraction = value - lower;
  double rounded = lower;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0)) rounded = lower + 1;
  return static_cast<long>(rounded);
}

QPixmap ScalePictureForDisplay(const QPixmap& picture, int width, int height,
                               qreal device_pixel_ratio) {
  if (picture.isNull() || width <= 0 || height <= 0 || device_pixel_ratio <= 0) return QPixmap();
  QPixmap scaled =
      picture.scaled(qRound(width * device_pixel_ratio), qRound(height * device_pixel_ratio),
                     Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  scaled.setDevicePixelRatio(device_pixel_ratio);
  return scaled;
}

cBitmap::cBitmap(QObject* parent) : QObject(parent) {
  // Qt's image I/O needs no start-up of its own, so the only start-up work is the encoder table.
  Execute(kImageOk);
  encoder_formats_ = QImageWriter::supportedImageFormats();
  encoder_count_ = encoder_formats_.size();
  // From the last encoder to the first; a pattern already present keeps its first index.
  for (long index = encoder_count_ - 1; index >= 0; --index) {
    const QString pattern = "*." + QString::fromLatin1(encoder_formats_[index]).toUpper();
    if (!extension_map_.contains(pattern)) extension_map_.insert(pattern, index);
  }
}

cBitmap::~cBitmap() { Dispose(); }

long cBitmap::Execute(long status) {
  last_status_ = status;
  if (status != kImageOk) emit Error(status, GdiErrorString(status));
  return status;
}

void cBitmap::RefreshImageInfo() {
  // Without an image both queries fail, as each one goes through the status check.
  if (!image_) {
    pixel_format_ = QImage::Format_Invalid;
    width_ = 0;
    height_ = 0;
    Execute(kImageInvalidParameter);
    Execute(kImageInvalidParameter);
    return;
  }
  pixel_format_ = image_->format();
  Execute(kImageOk);
  const QSizeF size = image_->deviceIndependentSize();
  width_ = RoundHalfToEven(size.width());
  height_ = RoundHalfToEven(size.height());
  Execute(kImageOk);
}

long cBitmap::TakeImage(QImage image) {
  long status = kImageOk;
  if (image.isNull()) {
    status = kImageOutOfMemory;
  } else {
    image_ = std::move(image);
  }
  Execute(status);
  RefreshImageInfo();
  return status;
}

long cBitmap::CreateFromScan0(int l_width, int l_height, int l_stride,
                              QImage::Format e_pixel_formats, uchar* l_data_ptr) {
  Dispose();
  const bool valid = l_width > 0 && l_height > 0 && l_data_ptr != nullptr &&
                     e_pixel_formats != QImage::Format_Invalid &&
                     e_pixel_formats < QImage::NImageFormats;
  if (!valid) {
    Execute(kImageInvalidParameter);
    RefreshImageInfo();
    return kImageInvalidParameter;
  }
  const int depth = QImage::toPixelFormat(e_pixel_formats).bitsPerPixel();
  if (l_stride < (static_cast<qint64>(l_width) * depth + 7) / 8) {
    Execute(kImageInvalidParameter);
    RefreshImageInfo();
    return kImageInvalidParameter;
  }
  return TakeImage(QImage(l_data_ptr, l_width, l_height, l_stride, e_pixel_formats));
}

long cBitmap::CreateFromHBitmap(const QPixmap& h_bitmap) {
  Dispose();
  if (h_bitmap.isNull()) {
    Execute(kImageInvalidParameter);
    RefreshImageInfo();
    return kImageInvalidParameter;
  }
  return TakeImage(h_bitmap.toImage());
}

long cBitmap::CreateFromGraphics(int l_width, int l_height, const QPainter* l_graphic_handle) {
  Dispose();
  if (l_width <= 0 || l_height <= 0 || !l_graphic_handle || !l_graphic_handle->isActive()) {
    Execute(kImageInvalidParameter);
    RefreshImageInfo();
    return kImageInvalidParameter;
  }
  QImage::Format format = QImage::Format_ARGB32_Premultiplied;
  const QPaintDevice* device = l_graphic_handle->device();
  if (device && device->devType() == QInternal::Image) {
    format = static_cast<const QImage*>(device)->format();
  }
  QImage image(l_width, l_height, format);
  if (!image.isNull()) image.fill(0);
  return TakeImage(std::move(image));
}

void cBitmap::Dispose() { image_.reset(); }

long cBitmap::ExtensionExists(const QString& s_key) const {
  return extension_map_.value(s_key.toUpper(), -1);
}

long cBitmap::LoadFromFile(const QString& s_file_name) {
  Dispose();
  long status = kImageOk;
  if (s_file_name.isEmpty()) {
    status = kImageInvalidParameter;
  } else {
    // Names match without regard to case, as everywhere else in the program.
    const std::string found = FindExistingPath(s_file_name.toStdString());
    const QFileInfo file(QString::fromStdString(found));
    if (found.empty() || !file.isFile()) {
      status = kImageFileNotFound;
    } else {
      QImageReader reader(file.filePath());
      reader.setDecideFormatFromContent(true);  // a misnamed PNG still loads
      QImage image = reader.read();
      if (image.isNull()) {
        status = ReadFailureStatus(reader, file);
      } else {
        image_ = std::move(image);
      }
    }
  }
  Execute(status);
  RefreshImageInfo();
  return status;
}

QString cBitmap::GdiErrorString(long l_error) {
  switch (l_error) {
    case 1:
      return QStringLiteral("Generic Error");
    case 2:
      return QStringLiteral("Invalid Parameter");
    case 3:
      return QStringLiteral("Out Of Memory");
    case 4:
      return QStringLiteral("Object Busy");
    case 5:
      return QStringLiteral("Insufficient Buffer");
    case 6:
      return QStringLiteral("Not Implemented");
    case 7:
      return QStringLiteral("Win32 Error");
    case 8:
      return QStringLiteral("Wrong State");
    case 9:
      return QStringLiteral("Aborted");
    case 10:
      return QStringLiteral("File Not Found");
    case 11:
      return QStringLiteral("Value Overflow");
    case 12:
      return QStringLiteral("Access Denied");
    case 13:
      return QStringLiteral("Unknown Image Format");
    case 14:
      return QStringLiteral("FontFamily Not Found");
    case 15:
      return QStringLiteral("FontStyle Not Found");
    case 16:
      return QStringLiteral("Not TrueType Font");
    case 17:
      return QStringLiteral("Unsupported Gdiplus Version");
    case 18:
      return QStringLiteral("Gdiplus Not Initialized");
    case 19:
      return QStringLiteral("Property Not Found");
    case 20:
      return QStringLiteral("Property Not Supported");
    default:
      return QStringLiteral("Unknown GDI+ Error");
  }
}

QPixmap cBitmap::Picture() {
  if (!image_) return QPixmap();
  // Pixmaps need a GUI application; without one there is no picture. The last status stays.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    emit Error(kImageNotInitialized, GdiErrorString(kImageNotInitialized));
    return QPixmap();
  }
  // Composed onto black and made opaque, so transparent parts show black in a picture holder.
  QImage source = *image_;
  source.setDevicePixelRatio(1.0);
  QImage opaque(source.size(), QImage::Format_RGB32);
  if (opaque.isNull()) {
    emit Error(kImageOutOfMemory, GdiErrorString(kImageOutOfMemory));
    return QPixmap();
  }
  opaque.fill(Qt::black);
  {
    QPainter painter(&opaque);
    painter.drawImage(0, 0, source);
  }
  opaque.setDevicePixelRatio(image_->devicePixelRatio());
  QPixmap picture = QPixmap::fromImage(std::move(opaque));
  if (picture.isNull()) {
    emit Error(kImageOutOfMemory, GdiErrorString(kImageOutOfMemory));
    return QPixmap();
  }
  return picture;
}

QList<QRgb> cBitmap::GetPalette() const { return image_ ? image_->colorTable() : QList<QRgb>(); }

void cBitmap::SetTransColor(long l_index) {
  if (!image_) return;
  QList<QRgb> palette = GetPalette();
  const qsizetype entry = l_index & 0xFF;
  if (entry < palette.size()) palette[entry] &= RGB_MASK;  // alpha 0, colour kept
  SetPalette(palette);
}

long cBitmap::SetPalette(const QList<QRgb>& l_pal_pointer) {
  if (!image_) return Execute(kImageInvalidParameter);
  if (!IsIndexed(image_->format())) {
    return Execute(l_pal_pointer.isEmpty() ? kImageOk : kImageInvalidParameter);
  }
  image_->setColorTable(l_pal_pointer);
  return Execute(kImageOk);
}

#include "frontend/bitmap.h"

#include <gtest/gtest.h>

#include <QImageWriter>
#include <QPainter>
#include <string>
#include <vector>

#include "frontend/graphics.h"
#include "support/temp_dir.h"

namespace {

// Records the Error signals of an image object.
struct ErrorLog {
  template <typename T>
  explicit ErrorLog(T* source) {
    QObject::connect(source, &T::Error, [this](long status, const QString& message) {
      statuses.push_back(status);
      messages.push_back(message);
    });
  }
  std::vector<long> statuses;
  QStringList messages;
};

class BitmapTest : public testing::Test {
 protected:
  // Writes a real picture file; the format follows the extension.
  QString Write(const std::string& name, const QImage& image) {
    const QString path = QString::fromStdString(dir_.Path(name));
    EXPECT_TRUE(image.save(path)) << name;
    return path;
  }

  static QImage Filled(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
  }

  TempDir dir_;
  cBitmap bitmap_;
};

TEST_F(BitmapTest, LoadsPngAndJpegEachReplacingTheLast) {
  EXPECT_EQ(bitmap_.LoadFromFile(Write("art.png", Filled(40, 30, Qt::red))), 0);
  EXPECT_EQ(bitmap_.Width(), 40);
  EXPECT_EQ(bitmap_.Height(), 30);
  const QPixmap first = bitmap_.Picture();
  EXPECT_EQ(first.toImage().pixel(5, 5), qRgb(255, 0, 0));

  EXPECT_EQ(bitmap_.LoadFromFile(Write("art.jpg", Filled(20, 50, Qt::blue))), 0);
  EXPECT_EQ(bitmap_.CurErr(), 0);
  EXPECT_EQ(bitmap_.Width(), 20);
  const QImage second = bitmap_.Picture().toImage();
  EXPECT_EQ(second.size(), QSize(20, 50));
  EXPECT_GT(qBlue(second.pixel(10, 25)), 200);
  EXPECT_EQ(first.toImage().pixel(5, 5), qRgb(255, 0, 0));  // handed out, not shared
}

TEST_F(BitmapTest, FailedLoadHoldsNoPictureAndReportsEveryFailedStep) {
  ASSERT_EQ(bitmap_.LoadFromFile(Write("art.png", Filled(8, 8, Qt::red))), 0);
  ErrorLog errors(&bitmap_);

  EXPECT_EQ(bitmap_.LoadFromFile(QString::fromStdString(dir_.Path("missing.png"))), 10);
  // The load, then the format and size queries on no image.
  EXPECT_EQ(errors.statuses, (std::vector<long>{10, 2, 2}));
  EXPECT_EQ(errors.messages.value(0), "File Not Found");
  EXPECT_EQ(bitmap_.CurErr(), 2);
  EXPECT_TRUE(bitmap_.Picture().isNull());
  EXPECT_EQ(bitmap_.Width(), 0);

  EXPECT_EQ(bitmap_.LoadFromFile(""), 2);
  EXPECT_EQ(bitmap_.LoadFromFile(QString::fromStdString(dir_.WriteFile("bad.png", "junk"))), 13);
  EXPECT_EQ(bitmap_.LoadFromFile(QString::fromStdString(dir_.MakeDir("folder.png"))), 10);
  // Content decides the format, not the name.
  ASSERT_TRUE(QImageWriter(QString::fromStdString(dir_.Path("png.jpg")), "png")
                  .write(Filled(5, 6, Qt::red)));
  EXPECT_EQ(bitmap_.LoadFromFile(QString::fromStdString(dir_.Path("png.jpg"))), 0);
}

TEST_F(BitmapTest, TransparentPartsComeOutBlack) {
  QImage indexed(2, 1, QImage::Format_Indexed8);
  QList<QRgb> palette;
  for (int i = 0; i < 64; ++i) palette.append(qRgb(i * 4, 200, 100));
  indexed.setColorTable(palette);
  indexed.setPixel(0, 0, 44);
  indexed.setPixel(1, 0, 43);
  ASSERT_EQ(bitmap_.LoadFromFile(Write("indexed.png", indexed)), 0);
  ASSERT_EQ(bitmap_.PixelFormat(), QImage::Format_Indexed8);

  bitmap_.SetTransColor(300);  // the low eight bits: entry 44
  EXPECT_EQ(qAlpha(bitmap_.Handle()->color(44)), 0);
  EXPECT_EQ(qAlpha(bitmap_.Handle()->color(43)), 255);
  const QImage shown = bitmap_.Picture().toImage();
  EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(shown.pixel(1, 0), qRgb(172, 200, 100));

  ASSERT_EQ(bitmap_.LoadFromFile(Write("alpha.png", Filled(1, 1, Qt::transparent))), 0);
  ErrorLog errors(&bitmap_);
  bitmap_.SetTransColor(0);  // no palette: nothing to change, nothing to report
  EXPECT_TRUE(errors.statuses.empty());
  EXPECT_EQ(bitmap_.Picture().toImage().pixel(0, 0), qRgb(0, 0, 0));
}

TEST_F(BitmapTest, SizeIsInDeviceIndependentPixelsRoundedHalfToEven) {
  // Qt reads an "@2x" file at half its pixel size: 201 x 199 pixels are 100.5 x 99.5.
  ASSERT_EQ(bitmap_.LoadFromFile(Write("art@2x.png", Filled(201, 199, Qt::red))), 0);
  ASSERT_EQ(bitmap_.Handle()->devicePixelRatio(), 2.0);
  EXPECT_EQ(bitmap_.Width(), 100);
  EXPECT_EQ(bitmap_.Height(), 100);
  const QPixmap shown = ScalePictureForDisplay(bitmap_.Picture(), 10, 20, 2.0);
  EXPECT_EQ(shown.size(), QSize(20, 40));
  EXPECT_TRUE(ScalePictureForDisplay(QPixmap(), 10, 20).isNull());
}

TEST_F(BitmapTest, ExtensionsAndMessages) {
  const long png = QImageWriter::supportedImageFormats().indexOf("png");
  ASSERT_GE(png, 0);
  EXPECT_EQ(bitmap_.ExtensionExists("*.png"), png);
  EXPECT_EQ(bitmap_.ExtensionExists("*.PNG"), png);
  EXPECT_EQ(bitmap_.ExtensionExists("png"), -1);
  EXPECT_EQ(cBitmap::GdiErrorString(0), "Unknown GDI+ Error");
  EXPECT_EQ(cBitmap::GdiErrorString(21), "Unknown GDI+ Error");
  EXPECT_EQ(cGraphics::GdiErrorString(13), "Unknown Image Format");
}

TEST(Graphics, TransformsInTheRequestedOrderAndKeptDeviceBlocksDrawing) {
  QImage surface(20, 20, QImage::Format_RGB32);
  surface.fill(Qt::white);
  QImage dot(1, 1, QImage::Format_RGB32);
  dot.fill(Qt::black);
  cGraphics graphics;
  ErrorLog errors(&graphics);
  ASSERT_EQ(graphics.CreateFromHDC(&surface), 0);

  graphics.TranslateTransform(10, 0);
  graphics.RotateTransform(90);  // before the translation
  EXPECT_EQ(graphics.Handle()->worldTransform().map(QPointF(1, 0)), QPointF(10, 1));
  graphics.ResetTransform();
  graphics.TranslateTransform(10, 0);
  graphics.RotateTransform(90, 1);  // after it
  EXPECT_EQ(graphics.Handle()->worldTransform().map(QPointF(1, 0)), QPointF(0, 11));
  graphics.ResetTransform();

  ASSERT_EQ(graphics.GetDC(), 0);
  EXPECT_EQ(graphics.DrawImageI(&dot, 3, 4), 4);
  EXPECT_EQ(errors.messages.value(0), "Object Busy");
  graphics.ReleaseDC();
  EXPECT_EQ(graphics.DrawImageRectI(&dot, 10, 10, 5, 5), 0);
  graphics.Dispose();
  EXPECT_EQ(surface.pixel(3, 4), qRgb(255, 255, 255));
  EXPECT_EQ(surface.pixel(14, 14), qRgb(0, 0, 0));
  EXPECT_EQ(surface.pixel(15, 15), qRgb(255, 255, 255));
}

}  // namespace

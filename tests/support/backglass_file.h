// Backglass files (.directb2s) as the designers write them, for the tests that show them.
#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <string>

// The text of a backglass file whose backglass is a PNG of one colour.
inline std::string DirectB2SText(QColor color, QSize size = {32, 24}) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(color);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return "<?xml version=\"1.0\"?>\r\n<DirectB2SData Version=\"1.2\"><Images><BackglassImage "
         "Value=\"" +
         png.toBase64().toStdString() + "\" /></Images></DirectB2SData>";
}

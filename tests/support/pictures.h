// Pictures of one colour, alone or inside a backglass file (.directb2s) as the designers write
// them, for the tests that show them.
#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <filesystem>
#include <string>

// Saves a picture of one colour at `path`, in the format its name says, making its folder.
// Returns the path, or "" when it could not be saved.
inline std::string SavePicture(const std::string& path, QColor color, QSize size = {64, 48}) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  QImage image(size, QImage::Format_RGB32);
  image.fill(color);
  return image.save(QString::fromStdString(path)) ? path : "";
}

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

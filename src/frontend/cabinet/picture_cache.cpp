#include "frontend/cabinet/picture_cache.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QBuffer>
#include <QImageReader>
#include <QMetaObject>
#include <QPointer>

#include "common/directb2s.h"
#include "frontend/backglass_cache.h"

namespace {

// Decoding yields to the window's drawing: with few cores, a held direction must not stutter
// while the pictures ahead decode. Linux gives each thread a niceness of its own.
void YieldToTheWindow() {
#ifdef __linux__
  thread_local bool lowered = false;
  if (!lowered) {
    lowered = true;
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
  }
#endif
}

}  // namespace

PictureCache::PictureCache(qint64 budget_bytes, QObject* parent)
    : QObject(parent), budget_(budget_bytes) {
  // Two decoders: one for the table shown, one fetching ahead, without taking every core from
  // the simulator's start or the window.
  pool_.setMaxThreadCount(2);
}

PictureCache::~PictureCache() {
  pool_.clear();
  pool_.waitForDone();
}

QString PictureCache::KeyOf(const QString& path, QSize size) {
  return QString::number(size.width()) + 'x' + QString::number(size.height()) + ':' + path;
}

QImage PictureCache::Decode(const QString& path, QSize size, const std::string& program_folder) {
  if (path.isEmpty()) return {};
  QBuffer inside;  // a backglass file's picture, decoded from its text first
  QImageReader reader;
  const bool backglass_file = path.endsWith(".directb2s", Qt::CaseInsensitive);
  if (backglass_file && !program_folder.empty()) {
    const std::string kept = BackglassPicture(program_folder, path.toStdString());
    if (kept.empty()) return {};
    reader.setFileName(QString::fromStdString(kept));
  } else if (backglass_file) {
    inside.setData(QByteArray::fromStdString(
        ReadDirectB2SPicture(path.toStdString(), {"BackglassImage", "BackglassOffImage"})));
    inside.open(QIODevice::ReadOnly);
    reader.setDevice(&inside);
  } else {
    reader.setFileName(path);
  }
  reader.setAutoTransform(true);
  // Large pictures are decoded at the size they are shown at: a JPEG then decodes a fraction of
  // its pixels. A hostile size is refused by the reader's own allocation limit.
  const QSize full = reader.size();
  if (full.isValid() && size.isValid() && !size.isEmpty() &&
      (full.width() > size.width() || full.height() > size.height())) {
    reader.setScaledSize(full.scaled(size, Qt::KeepAspectRatio));
  }
  QImage image = reader.read();
  if (image.isNull()) return {};
  if (size.isValid() && !size.isEmpty() &&
      (image.width() > size.width() || image.height() > size.height())) {
    image = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  // Drawn often: in the format the screen draws fastest.
  return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                       : QImage::Format_RGB32);
}

QImage PictureCache::Get(const QString& path, QSize size, bool fetch) {
  if (path.isEmpty()) return {};
  const QString key = KeyOf(path, size);
  const auto found = entries_.find(key);
  if (found != entries_.end()) {
    uses_.splice(uses_.begin(), uses_, found->use);
    return found->image;
  }
  if (!fetch) return {};
  uses_.push_front(key);
  entries_.insert(key, Entry{QImage(), true, uses_.begin()});
  QPointer<PictureCache> self(this);
  pool_.start([self, key, path, size, folder = program_folder_] {
    YieldToTheWindow();
    const QImage image = Decode(path, size, folder);
    if (self.isNull()) return;
    QMetaObject::invokeMethod(
        self.data(),
        [self, key, path, image] {
          if (self) self->Store(key, path, image);
        },
        Qt::QueuedConnection);
  });
  return {};
}

void PictureCache::Store(const QString& key, const QString& path, const QImage& image) {
  const auto found = entries_.find(key);
  if (found == entries_.end()) return;  // dropped meanwhile
  found->image = image;
  found->pending = false;
  bytes_ += image.sizeInBytes();
  Trim();
  emit ready(path);
}

void PictureCache::Trim() {
  // The least recently used go first; pictures still being decoded stay.
  for (auto it = uses_.end(); bytes_ > budget_ && it != uses_.begin();) {
    --it;
    const auto entry = entries_.find(*it);
    if (entry == entries_.end() || entry->pending) continue;
    bytes_ -= entry->image.sizeInBytes();
    entries_.erase(entry);
    it = uses_.erase(it);
  }
}

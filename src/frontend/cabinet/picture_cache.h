#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <list>
#include <string>

// Pictures decoded off the window's thread, already scaled to the size they are shown at, and
// kept (the most recently used first) up to a budget of memory, so that moving through the
// tables shows what was seen or fetched ahead at once.
class PictureCache : public QObject {
  Q_OBJECT

 public:
  // `budget_bytes` bounds what the decoded pictures kept may take.
  explicit PictureCache(qint64 budget_bytes = qint64{96} << 20, QObject* parent = nullptr);
  ~PictureCache() override;
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;

  // The picture `path` fitted into `size` (keeping its proportions) when it is decoded; else a
  // null image, and the decoding starts (once) unless `fetch` is false. A file that cannot be
  // decoded stays a null image, without a second try.
  QImage Get(const QString& path, QSize size, bool fetch = true);
  // Starts decoding `path` for `size` if it is not kept yet.
  void Prefetch(const QString& path, QSize size) { Get(path, size, true); }
  // Waits for every decoding started (tests and benchmarks).
  void WaitForAll() { pool_.waitForDone(); }
  qint64 bytes() const { return bytes_; }

  // Decodes `path` fitted into `size`, on the calling thread: what the cache does off it. A
  // backglass file's picture is kept decoded in `program_folder`'s cache when one is given.
  static QImage Decode(const QString& path, QSize size, const std::string& program_folder = {});
  // The program folder whose cache keeps backglass files' pictures; "" decodes them each time.
  void SetProgramFolder(const std::string& folder) { program_folder_ = folder; }

 signals:
  // A picture asked for is ready: whoever shows it may draw again.
  void ready(const QString& path);

 private:
  struct Entry {
    QImage image;
    bool pending = false;
    std::list<QString>::iterator use;
  };
  static QString KeyOf(const QString& path, QSize size);
  void Store(const QString& key, const QString& path, const QImage& image);
  void Trim();

  QThreadPool pool_;
  QHash<QString, Entry> entries_;
  std::list<QString> uses_;  // keys, the most recently used first
  qint64 budget_;
  std::string program_folder_;
  qint64 bytes_ = 0;
};

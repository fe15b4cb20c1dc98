#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QProcess>
#include <QTimer>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Notices tables added, removed or renamed in the table folder while Orvane runs: through the
// system's change notices where it sends them, else (a network share) by listing the folder
// every few seconds. Changes that come together are told once.
class FolderWatch : public QObject {
  Q_OBJECT

 public:
  explicit FolderWatch(QObject* parent = nullptr);

  // Watches `folder` (without a trailing separator) from now on; "" watches nothing. With
  // `listing`, lists it every few seconds whatever the system could tell.
  void Watch(const std::string& folder, bool listing = false);
  const std::string& folder() const { return folder_; }
  // True when the folder is listed again and again rather than told of by the system.
  bool polling() const { return poll_.isActive(); }

 signals:
  // The folder's table files changed (a quarter of a second after the last change).
  void changed();

 private:
  void Poll();

  std::string folder_;
  QFileSystemWatcher watcher_;
  QTimer settle_;  // gathers the notices of one copy or move
  QTimer poll_;
  std::vector<std::string> listed_;  // what the last poll saw
};

// Catalogues tables in the background with the extractor, one run at a time, without blocking
// the window: tables whose files are still growing (a copy in progress) wait until their size
// has held for a second.
class BackgroundScan : public QObject {
  Q_OBJECT

 public:
  // `program_folder` holds tabrin and the catalogue.
  explicit BackgroundScan(std::string program_folder, QObject* parent = nullptr);
  ~BackgroundScan() override;

  // Catalogues the table files `paths` (their own bytes, all of one folder) once each is
  // complete, by a scan of their folder; a path already waiting is not asked twice.
  void Add(const std::vector<std::string>& paths);
  bool busy() const { return process_ != nullptr || !waiting_.empty(); }

 signals:
  // A run has ended: the catalogue may hold new entries. `status` is tabrin's exit status.
  void scanned(int status);

 private:
  void Check();
  void Start(const std::vector<std::string>& paths);

  std::string program_folder_;
  std::map<std::string, long long> waiting_;  // path -> its size when last seen
  std::vector<std::string> queued_;
  std::unique_ptr<QProcess> process_;
  QTimer check_;
};

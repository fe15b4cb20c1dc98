#include "frontend/folder_watch.h"

#include <sys/stat.h>

#include <algorithm>

#include "common/folder_listing.h"
#include "common/profile.h"
#include "common/tables.h"
#include "frontend/browser.h"

namespace {

// A share is listed this often: changes show within a few seconds without loading the server.
constexpr int kPollMs = 2000;
// Notices of one copy come in bursts; the list is read once they stop for this long.
constexpr int kSettleMs = 250;
// A table is read once its size has held this long: a copy in progress is no table yet.
constexpr int kStableMs = 1000;

long long SizeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? info.st_size : -1;
}

}  // namespace

FolderWatch::FolderWatch(QObject* parent) : QObject(parent) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, &FolderWatch::changed);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
  poll_.setInterval(kPollMs);
  connect(&poll_, &QTimer::timeout, this, &FolderWatch::Poll);
}

void FolderWatch::Watch(const std::string& folder, bool listing) {
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  poll_.stop();
  folder_ = folder;
  listed_.clear();
  if (folder.empty()) return;
  // The system's notices where it sends them; else, or when it refuses the watch, a listing.
  if (listing || !FolderSendsChangeNotices(folder) ||
      !watcher_.addPath(QString::fromStdString(folder))) {
    listed_ = ListTableFiles(folder);
    poll_.start();
  }
}

void FolderWatch::Poll() {
  std::vector<std::string> now = ListTableFiles(folder_);
  if (now == listed_) return;
  listed_ = std::move(now);
  emit changed();
}

BackgroundScan::BackgroundScan(std::string program_folder, QObject* parent)
    : QObject(parent), program_folder_(std::move(program_folder)) {
  check_.setInterval(kStableMs);
  connect(&check_, &QTimer::timeout, this, &BackgroundScan::Check);
}

BackgroundScan::~BackgroundScan() {
  if (process_) {
    process_->disconnect(this);
    // A scan cut short loses nothing: tabrin writes its catalogue whole, and reads again what it
    // had not written.
    process_->kill();
    process_->waitForFinished(3000);
  }
}

void BackgroundScan::Add(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (std::find(queued_.begin(), queued_.end(), path) != queued_.end()) continue;
    waiting_.try_emplace(path, -2);
  }
  if (!waiting_.empty() && !check_.isActive()) check_.start();
}

void BackgroundScan::Check() {
  std::vector<std::string> complete;
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    const long long size = SizeOf(it->first);
    if (size < 0) {
      it = waiting_.erase(it);  // gone again
    } else if (size == it->second) {
      complete.push_back(it->first);
      it = waiting_.erase(it);
    } else {
      it->second = size;
      ++it;
    }
  }
  if (waiting_.empty()) check_.stop();
  queued_.insert(queued_.end(), complete.begin(), complete.end());
  if (!process_ && !queued_.empty()) Start(std::exchange(queued_, {}));
}

void BackgroundScan::Start(const std::vector<std::string>& paths) {
  process_ = std::make_unique<QProcess>();
  // The whole folder: what is catalogued already costs a lookup, a table renewed since is read
  // again, and no file name has to survive a trip through text.
  const std::string& first = paths.front();
  const std::string folder = first.substr(0, first.rfind('/'));
  const QStringList arguments = {QString::fromStdString(folder + "/*.*"), "-exit", "-hide"};
  connect(process_.get(), &QProcess::finished, this, [this](int status, QProcess::ExitStatus how) {
    process_.release()->deleteLater();
    RecheckProfileFiles();
    emit scanned(how == QProcess::NormalExit ? status : -1);
    if (!queued_.empty()) Start(std::exchange(queued_, {}));
  });
  process_->setWorkingDirectory(QString::fromStdString(program_folder_));
  process_->setProgram(QString::fromStdString(program_folder_ + "/" + kExtractorProgram));
  process_->setArguments(arguments);
  process_->start();
  if (!process_->waitForStarted(5000)) {
    process_.reset();
    emit scanned(-1);
  }
}

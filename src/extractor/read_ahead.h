#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include "extractor/table_read.h"

// Reads the tables of a scan ahead of it, several at once (ReadTable on threads of its own), so
// that a scan from a cold cache or a network share is not a chain of waits. The scan takes the
// reads in its own order; at most `ahead` are started or held beyond the one it waits for,
// which bounds the memory they hold.
class ReadAhead {
 public:
  // Makes the plan of a table's read; called on the scan's thread, in order, when the read is
  // started, so that it may consult the catalogue as it stands.
  using Planner = std::function<TableReadPlan(const std::string& path)>;

  // Most of a read is waiting for the disk (and for its exports to be synced): more threads than
  // cores keep it busy. Scripts, up to 16 MiB each, are read by `threads / 2` at most at once.
  ReadAhead(std::vector<std::string> paths, Planner planner, size_t threads = 8, size_t ahead = 8);
  ~ReadAhead();  // drops the reads not taken, after those in progress end
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Returns the read of paths[index], waiting for it, and starts the reads after it. Indexes
  // are taken in increasing order. Reads on the caller's thread when no thread could be started.
  std::unique_ptr<TableRead> Take(size_t index);

 private:
  void StartUpTo(size_t end);
  void Work();

  std::vector<std::string> paths_;
  Planner planner_;
  size_t ahead_;
  size_t started_ = 0;  // reads planned so far: paths_[0, started_)
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable done_;
  std::deque<std::pair<size_t, TableReadPlan>> queue_;
  std::map<size_t, std::unique_ptr<TableRead>> reads_;
  static constexpr size_t kNothingAwaited = static_cast<size_t>(-1);
  size_t awaited_ = kNothingAwaited;  // the read that Take waits for
  bool stopping_ = false;
  std::vector<std::thread> threads_;
  std::unique_ptr<std::counting_semaphore<>> script_slots_;
};

#include "extractor/read_ahead.h"

#include <pthread.h>

#include <algorithm>
#include <system_error>
#include <utility>

ReadAhead::ReadAhead(std::vector<std::string> paths, Planner planner, size_t threads, size_t ahead)
    : paths_(std::move(paths)), planner_(std::move(planner)), ahead_(std::max<size_t>(ahead, 1)) {
  // One table is read where it is wanted: no thread would gain anything.
  threads = paths_.size() > 1 ? std::min(threads, paths_.size()) : 0;
  script_slots_ = std::make_unique<std::counting_semaphore<>>(
      static_cast<std::ptrdiff_t>(std::max<size_t>(threads / 2, 1)));
  for (size_t i = 0; i < threads; ++i) {
    try {
      threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // the system gives no more: fewer threads read, or the caller's
    }
  }
}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void ReadAhead::StartUpTo(size_t end) {
  end = std::min(end, paths_.size());
  if (started_ >= end) return;
  std::vector<std::pair<size_t, TableReadPlan>> plans;
  for (; started_ < end; ++started_) plans.emplace_back(started_, planner_(paths_[started_]));
  {
    const std::lock_guard lock(mutex_);
    for (auto& plan : plans) queue_.push_back(std::move(plan));
  }
  // One reader woken per read: waking them all for one read costs the scan more than the read.
  for (size_t i = 0; i < plans.size(); ++i) work_.notify_one();
}

std::unique_ptr<TableRead> ReadAhead::Take(size_t index) {
  if (threads_.empty()) {
    started_ = std::max(started_, index + 1);
    return std::make_unique<TableRead>(ReadTable(planner_(paths_.at(index))));
  }
  StartUpTo(index + 1 + ahead_);
  std::unique_lock lock(mutex_);
  awaited_ = index;
  done_.wait(lock, [&] { return reads_.contains(index); });
  awaited_ = kNothingAwaited;
  std::unique_ptr<TableRead> read = std::move(reads_.at(index));
  reads_.erase(index);
  return read;
}

void ReadAhead::Work() {
  pthread_setname_np(pthread_self(), "tabrin-read");  // told apart in profiles and top
  for (;;) {
    std::pair<size_t, TableReadPlan> job;
    {
      std::unique_lock lock(mutex_);
      work_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    job.second.script_slots = script_slots_.get();
    auto read = std::make_unique<TableRead>(ReadTable(job.second));
    bool awaited;
    {
      const std::lock_guard lock(mutex_);
      reads_[job.first] = std::move(read);
      awaited = awaited_ == job.first;
    }
    if (awaited) done_.notify_one();  // the scan waits for no other read
  }
}

// The profile layer at catalogue size: reads of random keys from a names.ini of 4,000 entries,
// and 4,000 writes of new keys into one that starts empty. Every figure is the median of the
// rounds, set against a baseline measured in the same round:
//   reads    one stat() of the same file (what checking a file for changes costs)
//   writes   replacing a file of the same size through a temporary file and a rename, the
//            least that writing one entry of a file that is always rewritten whole can cost
//
//   profile_bench [ENTRIES [READS [ROUNDS]]]   (defaults 4000, 100000, 5)
//
// Prints one "ROW|group|figure|value|unit|baseline|baseline unit|ratio|runs" line per figure.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/profile.h"
#include "common/profile_cache.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Key(int i) { return "Table " + std::to_string(i) + " (VP9)"; }
std::string Value(int i) { return "Table Number " + std::to_string(i); }

bool WriteFile(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return close(fd) == 0 && ok;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bytes.clear();
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    bytes.append(buffer, got);
  std::fclose(file);
  return true;
}

// A names.ini as a full scan leaves it: every table under "VP", three in four under "PinMAME".
std::string Catalogue(int entries) {
  std::string vp = "[VP]\r\n", pinmame = "[PinMAME]\r\n";
  for (int i = 0; i < entries; ++i) {
    vp += Key(i) + "=" + Value(i) + "\r\n";
    if (i % 4 != 3) pinmame += Key(i) + "=rom" + std::to_string(i) + "_l1\r\n";
  }
  return vp + "\r\n" + pinmame;
}

// The unavoidable part of one write: the whole file written anew beside it and renamed over it.
double RewriteSeconds(const std::string& folder, const std::string& bytes, int times) {
  const std::string target = folder + "/rewrite.ini";
  const std::string temp = folder + "/rewrite.tmp";
  const auto start = Clock::now();
  for (int i = 0; i < times; ++i) {
    if (!WriteFile(temp, bytes) || rename(temp.c_str(), target.c_str()) != 0) std::abort();
  }
  return Seconds(Clock::now() - start) / times;
}

void Row(const char* figure, double value, const char* unit, double baseline,
         const char* baseline_unit, int runs) {
  std::printf("ROW|4|%s|%.3f|%s|%.3f|%s|%.2f|%d\n", figure, value, unit, baseline, baseline_unit,
              value / baseline, runs);
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::max(100, std::atoi(argv[1])) : 4000;
  const int reads = argc > 2 ? std::max(1000, std::atoi(argv[2])) : 100000;
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  char folder_template[] = "/tmp/bench-profile-XXXXXX";
  if (mkdtemp(folder_template) == nullptr) return 1;
  const std::string folder = folder_template;
  const std::string names = folder + "/names.ini";

  std::mt19937 random(12345);
  std::vector<std::string> keys;
  for (int i = 0; i < reads; ++i) {
    keys.push_back(Key(static_cast<int>(random() % static_cast<unsigned>(entries))));
  }

  // Points at which the time of one write is taken: a quarter of the way, and the end.
  const int small = entries / 4;
  const int sample = std::max(10, entries / 40);
  std::vector<double> read_us, stat_us, write_small_us, write_large_us, rewrite_small_us,
      rewrite_large_us, total_ms;
  long long read_parses = 0;
  for (int round = 0; round < rounds; ++round) {
    // Reads, the file parsed once before the clock starts. The front-end reads a catalogue that
    // was written a while before; a file written within the file system's clock step is checked
    // byte by byte on every read, as its time stamp could hide a change.
    if (!WriteFile(names, Catalogue(entries))) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ClearProfileCache();
    ProfileRead("VP", keys[0], names);
    ResetProfileCacheStats();
    size_t found = 0;
    auto start = Clock::now();
    for (const std::string& key : keys) found += !ProfileRead("VP", key, names).empty();
    read_us.push_back(Seconds(Clock::now() - start) * 1e6 / reads);
    read_parses = GetProfileCacheStats().parses;
    if (found != keys.size()) {
      std::fprintf(stderr, "read %zu of %zu keys\n", found, keys.size());
      return 1;
    }
    struct stat info;
    start = Clock::now();
    for (int i = 0; i < reads; ++i) found += stat(names.c_str(), &info) == 0;
    stat_us.push_back(Seconds(Clock::now() - start) * 1e6 / reads);

    // Writes of new keys into a file that starts as the extractor's template.
    if (!WriteFile(names, "[VP]\r\n\r\n[PinMAME]\r\n")) return 1;
    ClearProfileCache();
    double small_sum = 0, large_sum = 0;
    std::string small_bytes, large_bytes;
    const auto all_start = Clock::now();
    for (int i = 0; i < entries; ++i) {
      const auto write_start = Clock::now();
      ProfileWrite("VP", Key(i), Value(i), names);
      const double seconds = Seconds(Clock::now() - write_start);
      if (i >= small - sample && i < small) small_sum += seconds;
      if (i >= entries - sample) large_sum += seconds;
      if (i == small - 1 && !ReadFile(names, small_bytes)) return 1;
    }
    total_ms.push_back(Seconds(Clock::now() - all_start) * 1e3);
    if (!ReadFile(names, large_bytes)) return 1;
    write_small_us.push_back(small_sum * 1e6 / sample);
    write_large_us.push_back(large_sum * 1e6 / sample);
    rewrite_small_us.push_back(RewriteSeconds(folder, small_bytes, sample) * 1e6);
    rewrite_large_us.push_back(RewriteSeconds(folder, large_bytes, sample) * 1e6);
  }

  Row("read of a random key, us", Median(read_us), "us", Median(stat_us), "us one stat()", rounds);
  const std::string small_figure =
      "write of a new key at " + std::to_string(small) + " entries, us";
  const std::string large_figure =
      "write of a new key at " + std::to_string(entries) + " entries, us";
  Row(small_figure.c_str(), Median(write_small_us), "us", Median(rewrite_small_us),
      "us rewrite+rename", rounds);
  Row(large_figure.c_str(), Median(write_large_us), "us", Median(rewrite_large_us),
      "us rewrite+rename", rounds);
  std::printf(
      "INFO|4|%d reads parsed %lld times; %d writes took %.0f ms in all; a write at %d entries "
      "costs %.2f x one at %d (the rewrite alone %.2f x)\n",
      reads, read_parses, entries, Median(total_ms), entries,
      Median(write_large_us) / Median(write_small_us), small,
      Median(rewrite_large_us) / Median(rewrite_small_us));

  for (const char* name : {"/names.ini", "/rewrite.ini"}) unlink((folder + name).c_str());
  rmdir(folder.c_str());
  return 0;
}

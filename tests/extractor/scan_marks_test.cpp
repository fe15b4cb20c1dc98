// Built twice: against the vectorised search and against the byte-wise one.
#include "extractor/scan_marks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// A "." before "G", or an "=" before a byte up to '"', an "a" or an "A", byte by byte.
size_t PlainNextMark(const std::string& bytes, size_t from, size_t end) {
  for (size_t i = from; i < end; ++i) {
    const auto next = static_cast<unsigned char>(bytes[i + 1]);
    if (bytes[i] == '.' && next == 'G') return i;
    if (bytes[i] == '=' && (next <= '"' || next == 'a' || next == 'A')) return i;
  }
  return end;
}

TEST(ScanMarks, FindsEveryMarkAndNothingElseUpToTheByteAfterTheEnd) {
  // Mostly bytes that make or nearly make a mark, in runs long and short around vector sizes.
  const std::string alphabet = std::string(".G=\"aA \t\r\n!#gb\0\xFF\x80\x21\x22\x23\x41", 22);
  std::mt19937 random(99);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(2 + random() % 300, ' ');
    for (char& c : bytes) {
      c = random() % 4 == 0 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
    }
    const size_t end = bytes.size() - 1;
    for (size_t from = random() % end; from <= end;) {
      const size_t found = NextScanMark(bytes.data(), from, end);
      ASSERT_EQ(found, PlainNextMark(bytes, from, end)) << "round " << round << ", from " << from;
      from = found + 1;
    }
  }
  const std::string long_run = std::string(100, 'x') + "=a" + std::string(100, 'y') + ".G";
  EXPECT_EQ(NextScanMark(long_run.data(), 101, long_run.size() - 1), 202u);
}

}  // namespace

#include "extractor/scan_marks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// The marks by their definition, byte by byte.
size_t NaiveNextMark(const std::string& bytes, size_t from, size_t end) {
  for (size_t i = from; i < end; ++i) {
    const auto next = static_cast<unsigned char>(bytes[i + 1]);
    if (bytes[i] == '.' && next == 'G') return i;
    if (bytes[i] == '=' && (next <= '"' || next == 'a' || next == 'A')) return i;
  }
  return end;
}

TEST(ScanMarks, FindsEveryMarkAndNothingElse) {
  // Bytes drawn mostly from those that make or nearly make a mark, so marks are many.
  const std::string alphabet = std::string(".G=\"aA \t\r\n!#gb", 14) + std::string(1, '\0') +
                               "\xFF\x80\x21\x22\x23\x41\x61\x47";
  std::mt19937 random(99);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(1 + random() % 300, ' ');
    for (char& c : bytes) {
      c = random() % 4 == 0 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
    }
    const size_t end = bytes.size() - 1;  // the byte after `end` must exist
    for (size_t from = random() % (end + 1); from <= end;) {
      const size_t found = NextScanMark(bytes.data(), from, end);
      ASSERT_EQ(found, NaiveNextMark(bytes, from, end)) << "round " << round << ", from " << from;
      from = found + 1;
    }
  }
}

TEST(ScanMarks, LooksAtTheByteAfterTheEnd) {
  EXPECT_EQ(NextScanMark("xx.G", 0, 3), 2u);
  EXPECT_EQ(NextScanMark("xx=\"", 0, 3), 2u);
  EXPECT_EQ(NextScanMark("xx=b", 0, 3), 3u);
  EXPECT_EQ(NextScanMark(".G", 1, 1), 1u);  // nothing to look at
  const std::string long_run = std::string(100, 'x') + "=a" + std::string(100, 'y') + ".G";
  EXPECT_EQ(NextScanMark(long_run.data(), 0, long_run.size() - 1), 100u);
  EXPECT_EQ(NextScanMark(long_run.data(), 101, long_run.size() - 1), 202u);
}

}  // namespace

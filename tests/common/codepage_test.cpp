#include "common/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

TEST(Codepage, EveryByteSurvivesTheTripThroughUtf8) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << "byte " << byte;
  }
  EXPECT_EQ(Cp1252ToUtf8("\x80\xE9\x9F\x81"), "€éŸ\xC2\x81");
}

TEST(Codepage, TextOutsideTheCodePageBecomesQuestionMarks) {
  const Cases cases = {
      {"Café 5€ ½ “quoted” …", "Caf\xE9 5\x80 \xBD \x93quoted\x94 \x85"},
      {"Ω and 😀", "? and ?"},
      {"\xC2\x80", "?"},  // U+0080 has no byte: 0x80 is the euro sign
      {"a\xFF"
       "b",
       "a?b"},  // never valid in UTF-8
      {"a\xE2\x82"
       "b",
       "a??b"},                      // cut short
      {"\xC0\xAF", "??"},            // overlong "/"
      {"\xED\xA0\x80", "???"},       // a surrogate
      {"\xF4\x90\x80\x80", "????"},  // past U+10FFFF
  };
  for (const auto& [utf8, bytes] : cases) EXPECT_EQ(Utf8ToCp1252(utf8), bytes) << utf8;
}

TEST(Codepage, LowerCaseCoversLatinCapitalsOnly) {
  const Cases cases = {
      {"AZaz@[`{", "azaz@[`{"},
      {"\xC0\xC9\xDE", "\xE0\xE9\xFE"},          // À É Þ
      {"\xD7\xDF\xE9", "\xD7\xDF\xE9"},          // × ß é stay
      {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"},  // Š Œ Ž Ÿ
  };
  for (const auto& [text, lower] : cases) EXPECT_EQ(Cp1252ToLower(text), lower);
  EXPECT_EQ(Cp1252Lower('Q'), 'q');
}

TEST(Codepage, Utf16LittleEndianDecodes) {
  const Cases cases = {
      {std::string("A\0\xE9\0\xAC\x20", 6), "Aé€"},
      {std::string("A\0B", 3), "A"},                                     // odd last byte dropped
      {std::string("\xFF\xFEZ\0", 4), "\xEF\xBB\xBFZ"},                  // byte-order mark kept
      {std::string("\x3D\xD8\x00\xDE", 4), "😀"},                         // surrogate pair
      {std::string("\x3D\xD8Z\0", 4), "\xEF\xBF\xBDZ"},                  // high surrogate alone
      {std::string("\x00\xDE\x3D\xD8", 4), "\xEF\xBF\xBD\xEF\xBF\xBD"},  // reversed pair
  };
  for (const auto& [bytes, utf8] : cases) EXPECT_EQ(Utf16LeToUtf8(bytes), utf8);
}

}  // namespace

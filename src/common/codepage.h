#pragma once

#include <array>
#include <string>
#include <string_view>

// Every profile file and every byte-wise scan (table script, emulator listing) is Windows-1252;
// strings inside the programs are UTF-8.

// Returns the Windows-1252 bytes of a UTF-8 text; a character the code page lacks becomes '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// Returns the UTF-8 form of Windows-1252 bytes. Every byte maps to one character, so the
// conversion back with Utf8ToCp1252 gives the same bytes.
std::string Cp1252ToUtf8(std::string_view bytes);

namespace codepage_internal {
inline constexpr std::array<char, 256> kLower = [] {
  std::array<char, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    unsigned lower = byte;
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7)) {
      lower = byte + 0x20;
    } else if (byte == 0x8A || byte == 0x8C || byte == 0x8E) {
      lower = byte + 0x10;  // Š Œ Ž
    } else if (byte == 0x9F) {
      lower = 0xFF;  // Ÿ
    }
    table[byte] = static_cast<char>(lower);
  }
  return table;
}();
}  // namespace codepage_internal

// Lower case of one Windows-1252 byte: ASCII letters and the accented Latin-1 capitals. Inline:
// every name of a table's script is compared through it.
inline char Cp1252Lower(char c) { return codepage_internal::kLower[static_cast<unsigned char>(c)]; }

// Returns `bytes` with Cp1252Lower applied to every byte.
std::string Cp1252ToLower(std::string_view bytes);

// Returns the UTF-8 form of UTF-16LE bytes: each pair of bytes, low byte first, is one code
// unit; a trailing odd byte is dropped; a byte-order mark stays a character; an unpaired
// surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

// True when `bytes` are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The text of a file name as the programs show and catalogue it: the name itself when it is
// UTF-8, else its bytes read as Windows-1252, as archives made on Windows store them. The file
// itself is always opened by its own bytes.
std::string FileNameText(std::string_view bytes);

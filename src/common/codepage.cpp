#include "common/codepage.h"

#include <array>
#include <cstdint>

namespace {

// Characters of the bytes 0x80-0x9F. The five bytes Windows-1252 leaves undefined map to the C1
// control of the same number, so that every byte survives a round trip through UTF-8.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t CharacterOf(unsigned byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : static_cast<char16_t>(byte);
}

// The UTF-8 bytes of each Windows-1252 byte (at most three), so conversion is one table step.
struct Utf8Bytes {
  std::array<char, 3> bytes{};
  std::uint8_t size = 0;
};

constexpr Utf8Bytes EncodeUtf8(char32_t c) {
  Utf8Bytes out;
  if (c < 0x80) {
    out.bytes[out.size++] = static_cast<char>(c);
  } else if (c < 0x800) {
    out.bytes[out.size++] = static_cast<char>(0xC0 | (c >> 6));
    out.bytes[out.size++] = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out.bytes[out.size++] = static_cast<char>(0xE0 | (c >> 12));
    out.bytes[out.size++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out.bytes[out.size++] = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

constexpr std::array<Utf8Bytes, 256> kToUtf8 = [] {
  std::array<Utf8Bytes, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) table[byte] = EncodeUtf8(CharacterOf(byte));
  return table;
}();

// Returns the Windows-1252 byte of `c`, or '?' when the code page lacks it.
char ByteOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return static_cast<char>(c);
  for (unsigned i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x10000) {
    const Utf8Bytes encoded = EncodeUtf8(c);
    out.append(encoded.bytes.data(), encoded.size);
    return;
  }
  out += static_cast<char>(0xF0 | (c >> 18));
  out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (c & 0x3F));
}

// Decodes one UTF-8 character at `pos`. Returns the number of bytes it takes, or 0 when the byte
// at `pos` starts no well-formed sequence (overlong forms and surrogates included).
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& c) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, c = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return 0;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto byte = static_cast<unsigned char>(utf8[pos]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++pos;
      continue;
    }
    char32_t c;
    const std::size_t length = DecodeUtf8(utf8, pos, c);
    out += length == 0 ? '?' : ByteOf(c);
    pos += length == 0 ? 1 : length;
  }
  return out;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (const char byte : bytes) {
    const Utf8Bytes& encoded = kToUtf8[static_cast<unsigned char>(byte)];
    if (encoded.size == 1) {
      out += encoded.bytes[0];
    } else {
      out.append(encoded.bytes.data(), encoded.size);
    }
  }
  return out;
}

std::string Cp1252ToLower(std::string_view bytes) {
  std::string out(bytes.size(), '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = Cp1252Lower(bytes[i]);
  return out;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const std::size_t units = bytes.size() / 2;
  auto unit_at = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  for (std::size_t i = 0; i < units; ++i) {
    char32_t c = unit_at(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit_at(i + 1) >= 0xDC00 &&
        unit_at(i + 1) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit_at(i + 1) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(c, out);
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  size_t at = 0;
  while (at < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) {
      ++at;
      continue;
    }
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > bytes.size()) return false;
    char32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(bytes[at + i]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    at += length;
  }
  return true;
}

std::string FileNameText(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

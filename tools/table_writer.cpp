#include "table_writer.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

// Filler is written in pieces so that a 300 MB table never sits in memory.
constexpr size_t kFillerChunk = 1 << 20;

bool WriteBytes(GsfOutput* output, std::string_view bytes) {
  return bytes.empty() ||
         gsf_output_write(output, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
}

// Big streams go straight to the file, and only one may be open at a time, so each stream is
// written whole and closed before the next one starts.
bool WriteStream(GsfOutfile* storage, const std::string& name, std::string_view bytes) {
  GsfOutput* stream = gsf_outfile_new_child(storage, name.c_str(), FALSE);
  if (stream == nullptr) return false;
  bool ok = WriteBytes(stream, bytes);
  ok = gsf_output_close(stream) && ok;
  g_object_unref(stream);
  return ok;
}

// Pseudo-random bytes; unless `any_bytes`, without ".", "=" or a double quote, so that filler
// never looks like a script assignment to the ROM name scan.
void FillChunk(uint64_t& state, std::vector<char>& chunk, bool any_bytes) {
  for (char& byte : chunk) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    auto value = static_cast<unsigned char>(state >> 32);
    if (!any_bytes && (value == '.' || value == '=' || value == '"')) value ^= 0x40;
    byte = static_cast<char>(value);
  }
}

bool WriteFiller(GsfOutfile* storage, const std::string& name, size_t size, bool any_bytes) {
  GsfOutput* stream = gsf_outfile_new_child(storage, name.c_str(), FALSE);
  if (stream == nullptr) return false;
  uint64_t state = 0x9E3779B97F4A7C15ull;
  std::vector<char> chunk;
  bool ok = true;
  for (size_t left = size; ok && left > 0;) {
    chunk.resize(std::min(left, kFillerChunk));
    FillChunk(state, chunk, any_bytes);
    ok = WriteBytes(stream, std::string_view(chunk.data(), chunk.size()));
    left -= chunk.size();
  }
  ok = gsf_output_close(stream) && ok;
  g_object_unref(stream);
  return ok;
}

using Streams = std::map<std::string, std::string_view>;

// The "TableInfo" streams: the set texts as UTF-16LE (kept in `encoded`), the screenshot raw,
// then the raw streams over them. Big screenshots are not copied.
Streams InfoStreams(const TableContents& table_contents, std::array<std::string, 9>& encoded) {
  const std::pair<const char*, const std::optional<std::string>*> texts[] = {
      {"TableName", &table_contents.table_name},
      {"AuthorName", &table_contents.author_name},
      {"TableVersion", &table_contents.table_version},
      {"ReleaseDate", &table_contents.release_date},
      {"AuthorEmail", &table_contents.author_email},
      {"AuthorWebsite", &table_contents.author_website},
      {"TableBlurb", &table_contents.blurb},
      {"TableDescription", &table_contents.description},
      {"TableRules", &table_contents.rules},
  };
  Streams streams;
  for (size_t i = 0; i < encoded.size(); ++i) {
    const auto& [name, text] = texts[i];
    if (!text->has_value()) continue;
    encoded[i] = ToUtf16Le(**text);
    streams[name] = encoded[i];
  }
  if (table_contents.screenshot.has_value()) streams["Screenshot"] = *table_contents.screenshot;
  for (const auto& [name, bytes] : table_contents.raw_info_streams) streams[name] = bytes;
  return streams;
}

bool WriteStorage(GsfOutfile* root, const std::string& name, const Streams& streams,
                  size_t filler_size, bool filler_of_any_bytes) {
  GsfOutput* storage = gsf_outfile_new_child(root, name.c_str(), TRUE);
  if (storage == nullptr) return false;
  bool ok = true;
  if (filler_size > 0) {
    ok = WriteFiller(GSF_OUTFILE(storage), "Image0", filler_size, filler_of_any_bytes);
  }
  for (const auto& [stream_name, bytes] : streams) {
    ok = ok && WriteStream(GSF_OUTFILE(storage), stream_name, bytes);
  }
  ok = gsf_output_close(storage) && ok;
  g_object_unref(storage);
  return ok;
}

// Appends the UTF-16LE code unit `unit`.
void AppendUnit(std::string& out, uint32_t unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>(unit >> 8));
}

// A record: four-byte little-endian length of tag and data, the tag, the data.
std::string LittleEndian32(uint32_t value) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(value >> shift);
  return bytes;
}

// A record: the four-byte little-endian length of tag and data, the tag, the data.
std::string Record(const char* tag, std::string_view data) {
  return LittleEndian32(static_cast<uint32_t>(4 + data.size())) + tag + std::string(data);
}

}  // namespace

std::string GameDataRecords(const std::string& script) {
  // Properties before the script as in a real table: its extent, then its name.
  std::string data = Record("LEFT", LittleEndian32(0)) + Record("TOPX", LittleEndian32(0)) +
                     Record("RGHT", LittleEndian32(0x44800000)) +
                     Record("NAME", LittleEndian32(12) + ToUtf16Le("Table1"));
  data +=
      LittleEndian32(4) + "CODE" + LittleEndian32(static_cast<uint32_t>(script.size())) + script;
  return data + Record("TLCK", LittleEndian32(0)) + LittleEndian32(4) + "ENDB";
}

std::string ToUtf16Le(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 0;
    uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = length != 0 && i + length <= utf8.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid || code > 0x10FFFF) {
      AppendUnit(out, 0xFFFD);  // a broken sequence stands for one replacement character
      i += 1;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      AppendUnit(out, 0xD800 | (code >> 10));
      AppendUnit(out, 0xDC00 | (code & 0x3FF));
    } else {
      AppendUnit(out, code);
    }
    i += length;
  }
  return out;
}

bool WriteTable(const std::string& path, const TableContents& table_contents) {
  GError* error = nullptr;
  GsfOutput* sink = gsf_output_stdio_new(path.c_str(), &error);
  if (sink == nullptr) {
    g_clear_error(&error);
    return false;
  }
  GsfOutfile* root = gsf_outfile_msole_new_full(sink, table_contents.sector_size, 64);
  g_object_unref(sink);  // the compound file holds its own reference
  if (root == nullptr) return false;

  bool ok = true;
  if (table_contents.with_table_info) {
    std::array<std::string, 9> encoded;
    ok = WriteStorage(root, table_contents.info_storage_name, InfoStreams(table_contents, encoded),
                      0, false);
  }
  // The script follows the filler, so its bytes lie deep inside the file as in real tables.
  const std::string game_data =
      table_contents.game_data.value_or(GameDataRecords(table_contents.script));
  ok = ok &&
       WriteStorage(root, "GameStg", {{"GameData", game_data}, {"Version", LittleEndian32(1080)}},
                    table_contents.padding_bytes, table_contents.padding_of_any_bytes);
  ok = gsf_output_close(GSF_OUTPUT(root)) && ok;
  g_object_unref(root);
  return ok;
}

// The lines a PinMAME table's script uses to name its ROM, through a constant as most do.
std::string RomScript(const std::string& rom) {
  return "Const cGameName = \"" + rom +
         "\"\r\n"
         "Sub Table1_Init\r\n"
         "  With Controller\r\n"
         "    .GameName = cGameName\r\n"
         "  End With\r\n"
         "End Sub\r\n";
}

// At least `bytes` of ordinary script lines, with assignments and comments, that never mention
// the ROM name's constant: what stands before the ROM lines in a real script. Whole lines only:
// a line cut short would run into the ROM lines, as no script does.
std::string OtherScript(size_t bytes) {
  std::string script;
  for (size_t n = 0; script.size() < bytes; ++n) {
    const std::string i = std::to_string(n);
    script += "Sub Kicker" + i + "_Hit : Dim v" + i + " : v" + i + " = " + i +
              " : PlaySound \"fx_kicker\" ' kicker " + i + "\r\n";
  }
  return script;
}

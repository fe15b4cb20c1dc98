// make_table: writes one table file for scripts, benchmarks and the demo collection, or with
// --bulk a whole folder of numbered tables for benchmarks.
//
//   make_table OUT.vpt [--name TEXT] [--author TEXT] [--version TEXT] [--date TEXT]
//              [--email TEXT] [--website TEXT] [--blurb TEXT] [--description TEXT]
//              [--rules TEXT] [--script-file F] [--rom NAME] [--screenshot F]
//              [--padding BYTES] [--no-table-info]
//   make_table --bulk COUNT OUT_FOLDER [--padding BYTES] [--screenshot F] [--script-bytes N]
//              [--text-bytes N] [--plain-every K]

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "table_writer.h"

namespace {

constexpr char kUsage[] =
    "usage: make_table OUT.vpt [--name TEXT] [--author TEXT] [--version TEXT] [--date TEXT]\n"
    "         [--email TEXT] [--website TEXT] [--blurb TEXT] [--description TEXT]\n"
    "         [--rules TEXT] [--script-file F] [--rom NAME] [--screenshot F]\n"
    "         [--padding BYTES] [--no-table-info]\n"
    "       make_table --bulk COUNT OUT_FOLDER [--padding BYTES] [--screenshot F]\n"
    "         [--script-bytes N] [--text-bytes N] [--plain-every K]\n"
    "Texts are UTF-8 and stored as UTF-16LE. --rom adds script lines that name the ROM;\n"
    "--padding writes that many bytes of filler before the script.\n"
    "--bulk writes COUNT tables \"Table NNNNN (VP9).vpt\" into OUT_FOLDER (which must exist),\n"
    "each with all six information texts, a ROM name (except every K-th table, default 4),\n"
    "filler of every byte value, at least N bytes of other script (whole lines) before the ROM\n"
    "lines (default 0), blurb, description and rules of about N characters each (--text-bytes,\n"
    "default 0: none) and the screenshot F if given.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  out.resize(static_cast<size_t>(in.tellg()));  // read in place: screenshots can be huge
  in.seekg(0);
  return static_cast<bool>(in.read(out.data(), static_cast<std::streamsize>(out.size())));
}

// Some text of about `length` characters.
std::string SomeText(const std::string& topic, size_t length) {
  std::string text;
  while (text.size() < length)
    text += topic + " is a fine table with ramps, ball locks and modes. ";
  text.resize(length);
  return text;
}

struct BulkOptions {
  size_t count = 0;
  std::string folder;
  size_t padding = 0;
  size_t script_bytes = 0;
  size_t text_bytes = 0;
  size_t plain_every = 4;
  std::optional<std::string> screenshot;
};

// Writes the numbered tables of a bulk run. Returns 0, or 1 when a table cannot be written.
int WriteBulk(const BulkOptions& options) {
  const std::string other_script = OtherScript(options.script_bytes);
  for (size_t i = 0; i < options.count; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%05zu", i % 100000);
    const std::string n = number;
    TableContents table_contents;
    table_contents.table_name = "Table Number " + n;
    table_contents.author_name = "Author " + n;
    table_contents.table_version = "1." + std::to_string(i % 10);
    table_contents.release_date = "2008-01-" + std::to_string(10 + i % 20);
    table_contents.author_email = "author" + n + "@example.com";
    table_contents.author_website = "www.example.com/" + n;
    if (options.text_bytes > 0) {
      table_contents.blurb = SomeText("Blurb " + n, options.text_bytes);
      table_contents.description = SomeText("Description " + n, options.text_bytes);
      table_contents.rules = SomeText("Rules " + n, options.text_bytes);
    }
    table_contents.screenshot = options.screenshot;
    table_contents.padding_bytes = options.padding;
    table_contents.padding_of_any_bytes = true;
    table_contents.script = other_script;
    const bool plain =
        options.plain_every > 0 && i % options.plain_every == options.plain_every - 1;
    if (!plain) table_contents.script += RomScript("rom" + n + "_l1");
    const std::string path = options.folder + "/Table " + n + " (VP9).vpt";
    if (!WriteTable(path, table_contents)) {
      std::fprintf(stderr, "make_table: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}

bool ParseSize(const std::string& text, size_t& out) {
  char* end = nullptr;
  out = std::strtoull(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0';
}

int BulkMain(int argc, char** argv) {
  BulkOptions options;
  if (argc < 4 || !ParseSize(argv[2], options.count)) return Usage();
  options.folder = argv[3];
  for (int i = 4; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    bool ok = true;
    if (arg == "--padding") {
      ok = ParseSize(value, options.padding);
    } else if (arg == "--script-bytes") {
      ok = ParseSize(value, options.script_bytes);
    } else if (arg == "--text-bytes") {
      ok = ParseSize(value, options.text_bytes);
    } else if (arg == "--plain-every") {
      ok = ParseSize(value, options.plain_every);
    } else if (arg == "--screenshot") {
      std::string bytes;
      if (!ReadFile(value, bytes)) {
        std::fprintf(stderr, "make_table: cannot read %s\n", value.c_str());
        return 1;
      }
      options.screenshot = std::move(bytes);
    } else {
      ok = false;
    }
    if (!ok) return Usage();
  }
  return WriteBulk(options);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--bulk") return BulkMain(argc, argv);
  TableContents table_contents;
  const std::map<std::string, std::optional<std::string>*> texts = {
      {"--name", &table_contents.table_name},       {"--author", &table_contents.author_name},
      {"--version", &table_contents.table_version}, {"--date", &table_contents.release_date},
      {"--email", &table_contents.author_email},    {"--website", &table_contents.author_website},
      {"--blurb", &table_contents.blurb},           {"--description", &table_contents.description},
      {"--rules", &table_contents.rules},
  };
  std::string out_path, rom;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--no-table-info") {
      table_contents.with_table_info = false;
      continue;
    }
    if (arg.rfind("--", 0) != 0) {
      if (!out_path.empty()) return Usage();
      out_path = arg;
      continue;
    }
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (const auto text = texts.find(arg); text != texts.end()) {
      *text->second = value;
    } else if (arg == "--script-file") {
      if (!ReadFile(value, table_contents.script)) {
        std::fprintf(stderr, "make_table: cannot read %s\n", value.c_str());
        return 1;
      }
    } else if (arg == "--screenshot") {
      std::string bytes;
      if (!ReadFile(value, bytes)) {
        std::fprintf(stderr, "make_table: cannot read %s\n", value.c_str());
        return 1;
      }
      table_contents.screenshot = std::move(bytes);
    } else if (arg == "--rom") {
      rom = value;
    } else if (arg == "--padding") {
      char* end = nullptr;
      table_contents.padding_bytes = std::strtoull(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0') return Usage();
    } else {
      return Usage();
    }
  }
  if (out_path.empty()) return Usage();
  if (!rom.empty()) table_contents.script += RomScript(rom);

  if (!WriteTable(out_path, table_contents)) {
    std::fprintf(stderr, "make_table: cannot write %s\n", out_path.c_str());
    return 1;
  }
  return 0;
}

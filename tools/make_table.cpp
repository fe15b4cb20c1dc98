// make_table: writes one table file for scripts, benchmarks and the demo collection.
//
//   make_table OUT.vpt [--name TEXT] [--author TEXT] [--version TEXT] [--date TEXT]
//              [--email TEXT] [--website TEXT] [--blurb TEXT] [--description TEXT]
//              [--rules TEXT] [--script-file F] [--rom NAME] [--screenshot F]
//              [--padding BYTES] [--no-table-info]

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "table_writer.h"

namespace {

constexpr char kUsage[] =
    "usage: make_table OUT.vpt [--name TEXT] [--author TEXT] [--version TEXT] [--date TEXT]\n"
    "         [--email TEXT] [--website TEXT] [--blurb TEXT] [--description TEXT]\n"
    "         [--rules TEXT] [--script-file F] [--rom NAME] [--screenshot F]\n"
    "         [--padding BYTES] [--no-table-info]\n"
    "Texts are UTF-8 and stored as UTF-16LE. --rom adds script lines that name the ROM;\n"
    "--padding writes that many bytes of filler before the script.\n";

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

}  // namespace

int main(int argc, char** argv) {
  TableSpec spec;
  const std::map<std::string, std::optional<std::string>*> texts = {
      {"--name", &spec.table_name},       {"--author", &spec.author_name},
      {"--version", &spec.table_version}, {"--date", &spec.release_date},
      {"--email", &spec.author_email},    {"--website", &spec.author_website},
      {"--blurb", &spec.blurb},           {"--description", &spec.description},
      {"--rules", &spec.rules},
  };
  std::string out_path, rom;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--no-table-info") {
      spec.with_table_info = false;
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
      if (!ReadFile(value, spec.script)) {
        std::fprintf(stderr, "make_table: cannot read %s\n", value.c_str());
        return 1;
      }
    } else if (arg == "--screenshot") {
      std::string bytes;
      if (!ReadFile(value, bytes)) {
        std::fprintf(stderr, "make_table: cannot read %s\n", value.c_str());
        return 1;
      }
      spec.screenshot = std::move(bytes);
    } else if (arg == "--rom") {
      rom = value;
    } else if (arg == "--padding") {
      char* end = nullptr;
      spec.padding_bytes = std::strtoull(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0') return Usage();
    } else {
      return Usage();
    }
  }
  if (out_path.empty()) return Usage();
  if (!rom.empty()) spec.script += RomScript(rom);

  if (!WriteTable(out_path, spec)) {
    std::fprintf(stderr, "make_table: cannot write %s\n", out_path.c_str());
    return 1;
  }
  return 0;
}

// Writes starting inputs for each fuzz target: real-looking profile files and scripts, table
// files made by the table writer, and mutations of the stand-in emulator listing.
// Usage: make_fuzz_seeds <output folder> <tools folder>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "table_writer.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

bool Save(const fs::path& folder, const std::vector<std::string>& inputs) {
  fs::create_directories(folder);
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    std::ofstream out(folder / ("seed-" + std::to_string(i)), std::ios::binary | std::ios::trunc);
    out << inputs[i];
    if (!out) return false;
  }
  return true;
}

// A text operand of a profile script: its length, then its bytes.
std::string Text(const std::string& text) {
  if (text.size() < 0xE0) return static_cast<char>(text.size()) + text;
  return std::string{static_cast<char>(0xE0 + text.size() / 256),
                     static_cast<char>(text.size() % 256)} +
         text;
}

// Operand picking the `index`th name of the initial file, upper-cased when `upper`.
std::string Pick(int index, bool upper = false) {
  return std::string{static_cast<char>(upper ? 0xF1 : 0xF0), static_cast<char>(index)};
}

std::string Write(const std::string& section, const std::string& key, const std::string& value) {
  return "\x00"s + section + key + value;
}
std::string Read(const std::string& section, const std::string& key) {
  return "\x02"s + section + key;
}
const std::string kClearCache = "\x03";
// A batch of two writes.
std::string WriteTwo(const std::string& first, const std::string& second) {
  return "\xF9"s + first + second;
}

std::string Profile(int flags, const std::string& file, const std::string& script) {
  return std::string{static_cast<char>(flags), static_cast<char>(file.size() % 256),
                     static_cast<char>(file.size() / 256)} +
         file + script;
}

std::vector<std::string> ProfileSeeds() {
  const std::string catalogue =
      "[VP]\r\nTable One=Table One|Ann|1.0\r\n\r\n[PinMAME]\r\n"
      "Table One=afm_113b\r\n";
  const std::string odd =
      "; comment\r\nstray\r\n[Alias]\r\nold = \"new\" \r\n[alias]\r\n"
      "old=second\r\n[x] ; c\r\nk\x00z=v\x00w\r\n[a]b=c\n\r\n"s;
  return {
      Profile(1, catalogue,
              Write(Text("VP"), Text("Table Two"), Text("Two|Bob")) +
                  Read(Text("vp"), Text("table two")) + Write(Pick(3), Pick(2), Text(" 'x' ")) +
                  kClearCache + Read(Pick(3, true), Pick(4, true))),
      Profile(3, odd,
              Write(Pick(2), Pick(3), Text("line\r\nbreak")) +
                  Write(Text("New"), Text("[k]"), Text("]")) +
                  Write(Text("x"), Text("k"), Text(std::string(300, 'v'))) +
                  Read(Pick(6), Pick(7))),
      Profile(0, "",
              Write(Text("PMInfo"), Text("afm"), Text("Attack|1995|Bally|afm")) +
                  Write(Text("PMInfo"), Text(";c"), Text("x")) +
                  Write(Text("PMInfo"), Text("a=b"), Text("x")) +
                  Write(Text(""), Text("k"), Text("v")) + Read(Text("PMInfo"), Text("AFM"))),
      Profile(1, catalogue,
              WriteTwo(Text("VP") + Text("Table Two") + Text("2"),
                       Text("New") + Pick(1) + Text("\"x\"")) +
                  WriteTwo(Text("vp") + Text("TABLE TWO") + Text("3"),
                           Text("VP") + Text("=") + Text("refused")) +
                  Read(Text("VP"), Text("table two"))),
  };
}

std::vector<std::string> ScriptSeeds() {
  const std::string controller = "Set Controller = CreateObject(\"VPinMAME.Controller\")\r\n";
  std::vector<std::string> scripts = {
      "Option Explicit\r\nConst cGameName = \"afm_113b\"\r\n" + controller +
          "Controller.GameName = cGameName\r\n",
      "\t.GameName = \"XYZ_L1\" ' the ROM\r\n",
      "Dim romVar : romVar = \"abc_l3\"\r\n.GameName = romVar\r\n",
      ".Gamename = \"abc_l3\"\r\n",
      "Const romVar = \"abc_l3\"\r\n.GameName = array(romVar, altVar)\r\n",
      "Dim a, b\r\na = array(b, a)\r\nb = array(a)\r\n.GameName = a\r\n",
      "cGameName = array(\"abc_l3\")\r\n.GameName = cGameName:.Run\r\n",
      ".GameName=\r\n",
  };
  // The same script across a border of the file source's windows.
  scripts.push_back("\x01\x20\x00"s + scripts[0]);
  TableSpec table;
  table.table_name = "Scripted";
  table.script = scripts[0];
  const std::string path = (fs::temp_directory_path() / "orvane-seed.vpt").string();
  std::string bytes;
  if (WriteTable(path, table)) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  fs::remove(path);
  scripts.push_back(bytes);
  return scripts;
}

std::vector<TableSpec> TableSpecs() {
  const std::string jpeg = "\xFF\xD8\xFF\xE0"s + std::string(200, 'j');
  std::vector<TableSpec> specs;
  TableSpec full;
  full.table_name = "Night: Deluxe";
  full.author_name = "Ann";
  full.table_version = "1.2";
  full.release_date = "1987";
  full.author_email = "ann@example.org";
  full.author_website = "example.org";
  full.blurb = "Blurb";
  full.description = "Description";
  full.rules = "Rules";
  full.screenshot = jpeg;
  full.script = ".GameName = \"afm_113b\"\r\n";
  specs.push_back(full);
  for (const std::string& name :
       {".."s, "a/b"s, "..\\x"s, "[Alias]=x"s, "line\r\nbreak"s, std::string(300, 'n'), ""s}) {
    TableSpec table_spec = full;
    table_spec.table_name = name;
    specs.push_back(table_spec);
  }
  TableSpec odd;
  odd.info_storage_name = "TABLEINFO";
  odd.table_name = "Odd";
  odd.screenshot = "\x89PNG\r\n\x1A\n"s;
  odd.raw_info_streams["AuthorName"] = "\x00\xD8\x41"s;  // a lone surrogate, an odd byte
  odd.raw_info_streams["TableRules"] = "";
  specs.push_back(odd);
  TableSpec bare;
  bare.with_table_info = false;
  specs.push_back(bare);
  return specs;
}

std::vector<std::string> TableSeeds() {
  std::vector<std::string> seeds;
  const std::string path = (fs::temp_directory_path() / "orvane-seed.vpt").string();
  for (const TableSpec& table_spec : TableSpecs()) {
    if (!WriteTable(path, table_spec)) continue;
    std::ifstream in(path, std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  fs::remove(path);
  return seeds;
}

std::vector<std::string> ListingSeeds(const fs::path& tools) {
  std::ifstream in(tools / "fake_listing.xml", std::ios::binary);
  const std::string listing{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return {
      "\x01"
      "afm_11\n" +
          listing,
      "\x01"
      "fh_l9\n" +
          listing,
      "\x01"
      "missing\n" +
          listing,
      "\x00"
      "tz_92\n"s +
          listing,
      "\x01"
      "g\n<game name=\"g\" cloneof=\"p><description> d </description><year>"
      "</game>",
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_fuzz_seeds <output folder> <tools folder>\n";
    return 2;
  }
  const fs::path out = argv[1];
  const bool ok = Save(out / "profile", ProfileSeeds()) && Save(out / "rom_name", ScriptSeeds()) &&
                  Save(out / "table_info", TableSeeds()) &&
                  Save(out / "listing", ListingSeeds(argv[2]));
  if (!ok) std::cerr << "cannot write the seeds under " << out << "\n";
  return ok ? 0 : 1;
}

// script_bench: how fast a table's script is read for its ROM name.
//   script_bench [SCRIPT_FILE] [--runs N]
// Without a file, reads a script of 128 KiB shaped as the scan benchmarks' tables are: ordinary
// lines, then the lines that name the ROM through a constant. Prints MiB per second.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "extractor/script_reader.h"
#include "table_writer.h"

int main(int argc, char** argv) {
  std::string script;
  int runs = 200;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::stoi(argv[++i]);
    } else {
      std::ifstream in(arg, std::ios::binary);
      if (!in) {
        std::cerr << "script_bench: cannot read " << arg << "\n";
        return 2;
      }
      std::ostringstream bytes;
      bytes << in.rdbuf();
      script = bytes.str();
    }
  }
  if (script.empty()) script = OtherScript(size_t{128} << 10) + RomScript("rom1_l1");
  std::string rom;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; ++i) rom = FindRomInScript(script).rom;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu bytes, ROM %s: %.1f MiB/s, %.1f us a script\n", script.size(), rom.c_str(),
              static_cast<double>(script.size()) * runs / seconds / (1 << 20),
              seconds * 1e6 / runs);
  return 0;
}

// Hostile table scripts, scanned and explained by the real tabrin: each ends at once, in bounded
// memory, with a short catalogue entry that says what it found.
#include <chrono>
#include <cstdio>
#include <functional>

#include "tabrin_fixture.h"

namespace {

// `Controller.GameName = a0`, a0 to a29999 each assigned the next, the last "x": joined by `join`.
std::string Chain(const std::string& join, const std::string& name = "a", int links = 30'000) {
  std::string script = "Controller.GameName = " + name + "0";
  for (int i = 0; i + 1 < links; ++i) {
    script += join + name + std::to_string(i) + "=" + name + std::to_string(i + 1);
  }
  return script + join + name + std::to_string(links - 1) + "=\"x\"";
}

// Assignments of "x" to v0, v1, ... on one line of about `size` bytes, then the statement that
// names v7.
std::string Flood(size_t size) {
  std::string flood;
  for (int i = 0; flood.size() < size; ++i) flood += "v" + std::to_string(i) + "=\"x\":";
  return flood + "\r\nController.GameName = v7";
}

TEST_F(TabrinTest, HostileScriptsEndAtOnceInBoundedMemory) {
  const std::string plain = "plain: the controller's game name ";
  // Each script is made only when its table is written: the forked child would count it.
  const struct {
    std::string table;
    std::function<std::string()> script, sidecar;
    std::string rom, found;
  } rows[] = {{"lines",
               [] { return Chain("\r\n"); },
               {},
               "(none)",
               plain + "is followed through more than 16 names"},
              {"one_line",
               [] { return Chain(" : "); },
               {},
               "(none)",
               plain + "is followed through more than 16 names"},
              {"flood",
               [] { return Flood((size_t{16} << 20) - 64); },
               {},
               "x",
               "found in flood.vpx, line 1: v0=\"x\":v1=\"x\":v2=\"x\":v3=\"x\""},
              {"long_names",
               [] { return Chain("\r\n", std::string(100'000, 'n'), 16); },
               {},
               "x",
               "found in long_names.vpx, line 17: " + std::string(119, 'n') + "\x85"},
              {"literal",
               [] { return "Controller.GameName = \"" + std::string(15 << 20, 'r') + "\""; },
               {},
               "(none)",
               plain + "is set to \"" + std::string(39, 'r') + "\x85\", which is no ROM name"},
              {"nul",
               [] { return "Controller.GameName = \"ab" + std::string(1, '\0') + "c\""; },
               {},
               "(none)",
               plain + "is set to \"ab?c\", which is no ROM name"},
              {"utf16", [] { return ""; },
               [] { return "\xFF\xFE" + ToUtf16Le(Flood((size_t{8} << 20) - 64)); }, "x",
               "found in utf16.vbs, line 1: v0=\"x\":v1"},
              {"unreadable",
               [] { return "Controller.GameName = \"good\""; },
               {},
               "(none)",
               "plain: the sidecar script unreadable.vbs could not be read"},
              {"empty", {}, {}, "(none)", "plain: not a readable table file"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.table);
    const std::string file = row.table + ".vpx";
    // Made by a child of its own: memory that this process took and freed would be counted as
    // the forked tabrin's before it starts.
    if (const pid_t maker = fork(); maker == 0) {
      Write("tables/" + file, "");
      if (row.sidecar) Write("tables/" + row.table + ".vbs", row.sidecar());
      TableContents desc = PinMame("T", "");
      if (row.script) desc.script = row.script();
      _exit(row.script && !WriteTable(P("tables/" + file), desc));
    } else {
      int status = -1;
      ASSERT_EQ(waitpid(maker, &status, 0), maker);
      ASSERT_EQ(status, 0);
    }
    if (row.table == "unreadable") fs::create_directories(P("tables/unreadable.vbs"));
    const auto start = std::chrono::steady_clock::now();
    const Child scan = Tabrin({P("tables/" + file), "-hide", "-clear"});
    const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
    const Child why = Tabrin({P("tables/" + file), "-why"});
    std::printf("%-10s scan %5.0f ms %6ld KB, -why %6ld KB\n", row.table.c_str(), ms.count(),
                scan.max_rss_kb, why.max_rss_kb);
    EXPECT_EQ(scan.exit_code + why.exit_code, 0);
    EXPECT_EQ(Ini("names.ini").Get("pinmame", file), row.rom);
    const std::string found = Ini("info.ini").Get("romsource", file);
    EXPECT_EQ(found.substr(0, row.found.size()), row.found);
    EXPECT_LT(fs::file_size(P("names.ini")) + fs::file_size(P("info.ini")), 1024u);
    // -why says what the catalogue holds, as briefly.
    EXPECT_EQ(why.out.substr(0, why.out.find('\n')),
              file + ": " + (row.rom == "(none)" ? "plain table" : "ROM " + row.rom));
    EXPECT_LT(why.out.size(), 1024u);
#ifndef ORVANE_SANITIZED
    EXPECT_LT(std::max(scan.max_rss_kb, why.max_rss_kb), 64 * 1024);
#endif
  }
}

}  // namespace

#pragma once

// The real tabrin, run as a process from a program folder of its own over tables written for it.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/strict_ini.h"
#include "support/temp_dir.h"
#include "table_writer.h"

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

struct Child {  // a started program, then how it ended
  pid_t pid = -1;
  int out_fd = -1, err_fd = -1;  // its standard output and error, files in memory
  int exit_code = -1;            // less the signal that ended it, when one did
  long max_rss_kb = 0;           // its peak memory
  std::string out, err;
};

// Starts `program` in `folder` without a display (the window's text goes to standard output),
// `env` added, at most 128 files open (a leak shows) and, with `as_nobody`, as the unprivileged
// user.
inline Child Start(const std::string& program, const Args& args, Args env = {},
                   bool as_nobody = false, const std::string& folder = "/") {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) unsetenv(name);
  // Everything the child needs is made before the fork: after it only system calls are safe.
  std::vector<char*> argv{const_cast<char*>(program.c_str())}, envp;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  for (std::string& entry : env) envp.push_back(entry.data());
  for (char** entry = environ; *entry != nullptr; ++entry) envp.push_back(*entry);
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  const rlimit files{128, 128};
  const bool drop = as_nobody && geteuid() == 0;
  Child run{.out_fd = memfd_create("out", MFD_CLOEXEC), .err_fd = memfd_create("err", MFD_CLOEXEC)};
  if ((run.pid = fork()) != 0) return run;
  setpgid(0, 0);  // a group of its own, so that a bounded wait ends the programs it starts too
  if (dup2(run.out_fd, 1) < 0 || dup2(run.err_fd, 2) < 0 || chdir(folder.c_str()) != 0 ||
      setrlimit(RLIMIT_NOFILE, &files) != 0 ||
      (drop && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))) {
    _exit(126);
  }
  execve(program.c_str(), argv.data(), envp.data());
  _exit(127);
}

// Waits for `run` to end: a minute at most, then it is hung and killed with what it started.
inline Child Finish(Child run) {
  int status = 0;
  rusage usage{};
  for (int ms = 0; wait4(run.pid, &status, WNOHANG, &usage) != run.pid; ++ms) {
    if (ms == 60000 && kill(-run.pid, SIGKILL) == 0 && wait4(run.pid, &status, 0, &usage)) break;
    usleep(1000);
  }
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  run.max_rss_kb = usage.ru_maxrss;
  for (auto [fd, text] : {std::pair{run.out_fd, &run.out}, {run.err_fd, &run.err}}) {
    text->resize(lseek(fd, 0, SEEK_END));
    if (pread(fd, text->data(), text->size(), 0) < 0) *text = "(unreadable)";
    close(fd);
  }
  return run;
}
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
// A table named `name` whose script names the ROM `rom` ("" names none: a plain table).
inline TableContents PinMame(const std::string& name, const std::string& rom) {
  TableContents desc;
  desc.table_name = name;
  desc.author_name = "Ann Author";
  desc.blurb = "Blurb of " + name;
  desc.script = "Const cGameName = \"" + rom +
                "\"\r\nSub Table1_Init\r\nWith Controller\r\n.GameName = cGameName\r\nEnd With\r\n";
  return desc;
}
// Bytes of every value, the same on every run.
inline std::string Junk(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
  return bytes;
}
inline const std::string kGone = "(gone)";
// info.ini without its [TableFile] section, whose files' times differ from run to run.
inline std::string WithoutTableFiles(std::string ini) {
  const size_t start = ini.find("[TableFile]\r\n");
  if (start == std::string::npos) return ini;
  const size_t end = ini.find("\r\n[", start);
  return ini.erase(start, end == std::string::npos ? std::string::npos : end + 2 - start);
}
// What tabrin says of a path that names nothing.
inline std::string Lost(const std::string& path) {
  return "tabrin: \"" + path + "\" could not be found\n";
}
// The memory a run may take. A sanitizer's shadow and quarantine are not the program's: its
// builds are not measured.
#ifdef ORVANE_SANITIZED
inline constexpr long kMaxRssKb = 4L << 20;
#else
inline constexpr long kMaxRssKb = 256 * 1024;
#endif

// One run: files written before it (file, bytes, ...; kGone removes), its command line, and files
// that hold just so after it (kGone: that do not exist), its exit code, standard output and
// error.
struct Row {
  std::string why;
  Args before, args, after = {};
  int exit_code = 0;
  std::string out = "";
  Args env = {};
  std::string err = "";
};

// A program folder deep inside a temporary folder (so that an escape through ".." lands where
// it is seen) holding tabrin, its table folder and its empty export folders.
class TabrinTest : public testing::Test {
 protected:
  TabrinTest() { UseProgramFolder(dir_.MakeDir("outer/inner/prog")); }
  // Holds the stand-in emulator too, which logs each start to emu/runs.log.
  void UseProgramFolder(const std::string& folder) {
    prog_ = folder;
    for (const char* sub : {"tables", "Blurb", "Description", "Rules", "snap", "emu"}) {
      fs::create_directories(P(sub));
    }
    fs::copy_file(TABRIN_BINARY, P("tabrin"));
    fs::copy_file(TOOLS_DIR "/fake-emulator", P("emu/emu"));
    // A home of its own: where the simulator's settings and ROM files are looked for.
    env_ = {"FAKE_EMULATOR_LISTING=" + P("emu/games.xml"), "FAKE_EMULATOR_LOG=" + P("emu/runs.log"),
            "HOME=" + dir_.MakeDir("home"), "XDG_DATA_HOME="};
  }
  void Emulator(bool pinmame, const std::string& listing) {
    Write("emu/games.xml", listing);
    Write("Tabrin.ini",
          std::string("[MAME]\r\nPath=\\emu\\\r\nExe=emu\r\nIsPinMAME=") + (pinmame ? "1" : "0"));
  }

  std::string P(const std::string& relative) const { return prog_ + "/" + relative; }
  void Write(const std::string& relative, const std::string& data) const {  // kGone removes
    fs::create_directories(fs::path(P(relative)).parent_path());
    if (data == kGone) fs::remove(P(relative));
    if (data != kGone) std::ofstream(P(relative), std::ios::binary | std::ios::trunc) << data;
  }
  std::string Read(const std::string& relative) const { return ReadFile(P(relative)); }
  StrictIni Ini(const std::string& relative) const { return ReadStrictIni(Read(relative)); }
  void Table(const std::string& file, const TableContents& desc) const {
    ASSERT_TRUE(WriteTable(P("tables/" + file), desc)) << file;
  }
  Child Tabrin(const Args& args, Args env = {}, bool as_nobody = false,
               const std::string& folder = "/") const {
    env.insert(env.end(), env_.begin(), env_.end());
    return Finish(Start(P("tabrin"), args, env, as_nobody, folder));
  }
  // Makes the runs of `rows` in turn; each ends, in bounded memory.
  void Check(const std::vector<Row>& rows) const {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.why);
      for (auto f = row.before.begin(); f < row.before.end(); f += 2) Write(*f, f[1]);
      const Child run = Tabrin(row.args, row.env);
      EXPECT_EQ(run.exit_code, row.exit_code);
      EXPECT_EQ(run.out, row.out);
      EXPECT_EQ(run.err, row.err);
      EXPECT_LT(run.max_rss_kb, kMaxRssKb);
      for (auto f = row.after.begin(); f < row.after.end(); f += 2) {
        const std::string got = fs::exists(P(*f)) ? Read(*f) : kGone;
        EXPECT_EQ(*f == "info.ini" ? WithoutTableFiles(got) : got, f[1]) << *f;
      }
    }
  }

  TempDir dir_;
  std::string prog_;
  Args env_;
};

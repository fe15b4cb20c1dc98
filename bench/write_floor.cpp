// write_floor: the file work that a first scan of a folder cannot do without, for a second
// baseline of the extractor's benchmarks. For each of COUNT tables it creates the four exported
// files (blurb, description, rules of TEXT_BYTES bytes, a screenshot of SHOT_BYTES bytes); then
// it writes names.ini and info.ini with every table's entries once, by a temporary file and a
// rename each. Nothing is synced. The files go to OUT_FOLDER, which must be empty.
//
//   write_floor OUT_FOLDER COUNT TEXT_BYTES SHOT_BYTES
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool WriteNew(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return close(fd) == 0 && ok;
}

bool Replace(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tmp";
  return WriteNew(temp, bytes) && rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fputs("usage: write_floor OUT_FOLDER COUNT TEXT_BYTES SHOT_BYTES\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  const long count = std::atol(argv[2]);
  const std::string text(static_cast<size_t>(std::atol(argv[3])), 't');
  const std::string shot(static_cast<size_t>(std::atol(argv[4])), 's');
  for (const char* sub : {"/Blurb", "/Description", "/Rules", "/snap"}) {
    mkdir((folder + sub).c_str(), 0755);
  }
  std::string names = "[VP]\r\n\r\n[PinMAME]\r\n";
  std::string info = "[Tabrin]\r\n\r\n[PMInfo]\r\n";
  bool ok = true;
  for (long i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    const std::string stem = "Table Number " + n;
    ok = WriteNew(folder + "/Blurb/" + stem + ".txt", text) &&
         WriteNew(folder + "/Description/" + stem + ".txt", text) &&
         WriteNew(folder + "/Rules/" + stem + ".txt", text) &&
         WriteNew(folder + "/snap/" + stem + ".jpg", shot);
    info += stem + "=" + stem + "|Author " + n + "|1.0|2008-01-10|author" + n +
            "@example.com|www.example.com/" + n + "\r\n";
    names += "Table " + n + " (VP9)=" + stem + "\r\nTable " + n + " (VP9)=rom" + n + "_l1\r\n";
    if (!ok) break;
  }
  ok = ok && Replace(folder + "/info.ini", info) && Replace(folder + "/names.ini", names);
  if (!ok) {
    std::fprintf(stderr, "write_floor: cannot write in %s\n", folder.c_str());
    return 1;
  }
  return 0;
}

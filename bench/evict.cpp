// evict: drops the named files from the page cache, so that the next read of them comes from
// the disk, for the benchmarks' cold runs. Pages that are dirty stay; run sync first.
//
//   evict FILE...
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  int failed = 0;
  for (int i = 1; i < argc; ++i) {
    const int fd = open(argv[i], O_RDONLY | O_CLOEXEC);
    if (fd < 0 || posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0) {
      std::fprintf(stderr, "evict: cannot drop %s\n", argv[i]);
      failed = 1;
    }
    if (fd >= 0) close(fd);
  }
  return failed;
}

#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "table_writer.h"

// A small table as the writer writes it (512-byte sectors, one sector each of FAT and mini FAT,
// the directory in a row), for bending the links between its sectors and its directory entries.
struct Bent {
  uint32_t Get(size_t at) const {
    uint32_t value;
    std::memcpy(&value, &bytes.at(at + 3) - 3, 4);
    return value;
  }
  void Set(size_t at, uint32_t value) { std::memcpy(&bytes.at(at + 3) - 3, &value, 4); }
  size_t At(uint32_t entry) const { return 512 + size_t{Get(48)} * 512 + entry * 128; }
  uint32_t Entry(const std::string& name) const {
    return (bytes.find(ToUtf16Le(name) + '\0' + '\0') - At(0)) / 128;
  }
  uint32_t Start(const std::string& name) const { return Get(At(Entry(name)) + 116); }
  // Where the FAT (or the mini FAT) holds the link after sector `s`.
  size_t Link(uint32_t s, bool mini = false) const {
    return 512 + size_t{Get(mini ? 60 : 76)} * 512 + 4 * s;
  }
  void Loop(uint32_t s, bool mini = false) { Set(Link(s, mini), s); }  // sector `s` to itself
  std::string bytes;
};

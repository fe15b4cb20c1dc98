// Writes `count` keys prefix0, prefix1, ... (each valued with its own number) into one section
// of one profile file, so that tests can run several writers against the same file at once.

#include <cstdlib>
#include <iostream>
#include <string>

#include "common/profile.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: profile_hammer file section prefix count\n";
    return 2;
  }
  const std::string file = argv[1];
  const std::string section = argv[2];
  const std::string prefix = argv[3];
  const int count = std::atoi(argv[4]);
  for (int i = 0; i < count; ++i)
    ProfileWrite(section, prefix + std::to_string(i), std::to_string(i), file);
  return 0;
}

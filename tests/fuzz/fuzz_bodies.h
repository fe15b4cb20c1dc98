#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The bodies of the fuzz targets, shared by the libFuzzer entry point and the replay test so that
// both run the same code. Each runs one input and returns "" when every invariant held, else
// what was broken.

// The script reader over the bytes as a script and as a table file holding a script.
std::string FuzzRomName(const std::uint8_t* data, std::size_t size);
// Table file reader over a table file, writing only its entry and its own exports.
std::string FuzzTableInfo(const std::uint8_t* data, std::size_t size);
// The compound file reader over a file: every lookup and read a scan makes.
std::string FuzzCompoundFile(const std::uint8_t* data, std::size_t size);
// The backglass reader over a document: a picture of a known format, or none.
std::string FuzzDirectB2S(const std::uint8_t* data, std::size_t size);
// The details file reader and the update of its "User" object: texts bounded, every other member
// kept.
std::string FuzzTableDetails(const std::uint8_t* data, std::size_t size);

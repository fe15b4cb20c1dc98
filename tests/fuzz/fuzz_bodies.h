#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The bodies of the fuzz targets, shared by the libFuzzer entry points and the replay test so
// that both run identical code. Each runs one input and returns "" when every invariant held,
// else a description of the first one broken.

// Profile layer: file bytes, then a script of reads, writes and cache drops.
std::string FuzzProfile(const std::uint8_t* data, std::size_t size);

// ROM-name scan over memory and over a file, which must agree.
std::string FuzzRomName(const std::uint8_t* data, std::size_t size);

// Table file reader over a table file, writing only where it may.
std::string FuzzTableInfo(const std::uint8_t* data, std::size_t size);

// Emulator listing cuts: a flag byte, a query name line, then the listing.
std::string FuzzListing(const std::uint8_t* data, std::size_t size);

// Aborts with `failure` printed when it is not empty, so that libFuzzer keeps the input.
void AbortOnFailure(const std::string& failure);

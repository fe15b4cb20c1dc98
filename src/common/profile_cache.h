#pragma once

// Counters of the profile layer's parsed-file cache, for benchmarks and tests.
struct ProfileCacheStats {
  long long parses = 0;    // files parsed from disk
  long long reads = 0;     // ProfileRead calls
  long long checks = 0;    // reads that checked their file on disk for changes
  long long writes = 0;    // entries written by ProfileWrite and ProfileWriteAll
  long long rewrites = 0;  // files replaced on disk by them
};

// Returns the counters since the start of the process (or the last reset).
ProfileCacheStats GetProfileCacheStats();

// Sets every counter back to 0.
void ResetProfileCacheStats();

// Drops every parsed file, so the next read parses again.
void ClearProfileCache();

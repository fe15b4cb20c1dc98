#pragma once

// Exit codes of tabrin, which Orvane reads after it has run the extractor.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotFound = 1;  // the table or folder named does not exist
inline constexpr int kExitUsage = 2;     // no path, an unknown option, or a misused one
inline constexpr int kExitNotWritten =
    3;  // the catalogue, output.txt or an export could not be written

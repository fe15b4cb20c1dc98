#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/rom_files.h"  // IsRomName

// Reads a table script (VBScript, Windows-1252 bytes) the way its own language does, as far as
// finding the ROM name needs: comments, statements (colons, " _" continuations, one-line If),
// the branches of If and Select Case whose conditions can be known, With blocks, Const, Dim and
// plain assignments, and the objects created from "VPinMAME.Controller" or "B2S.Server".

// Where a ROM name came from. Every text is cut to a few hundred characters at most.
struct RomFinding {
  std::string rom = "nf";  // lower case, "nf" when the script names none
  int line = 0;            // 1-based line of the statement that sets the controller's game name
  std::string line_text;   // that line, trimmed of blanks, cut to kMaxLineText characters (UTF-8)
  // The names followed from that statement to the literal, each with the line of the assignment
  // that gave its value; empty when the statement holds the literal itself.
  struct Step {
    std::string name;  // as the assignment spells it, cut to kMaxNameText characters (UTF-8)
    int line = 0;
    std::string line_text;  // as line_text is cut
  };
  std::vector<Step> names;
  // Why the script names no ROM, when it names none.
  std::string why_plain;
};

inline constexpr size_t kMaxLineText = 120;
inline constexpr size_t kMaxNameText = 64;
// Real scripts follow a name through a handful of others; a longer chain names no ROM.
inline constexpr size_t kMaxFollowedNames = 16;

// Finds the game name that the script gives the PinMAME controller: the first live statement
// that sets it (`Controller.GameName = ...`, `.GameName = ...` inside `With Controller`, or on
// any object created from "VPinMAME.Controller" or "B2S.Server"), its value followed through at
// most kMaxFollowedNames names to a literal. A statement or an assignment in a branch known not
// to be taken is not live. Never fails: a script without a ROM name gives "nf" and the reason.
// Time is linear in the script's size and memory small beside it.
RomFinding FindRomInScript(std::string_view script);

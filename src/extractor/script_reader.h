#pragma once

#include <string>
#include <string_view>
#include <vector>

// Reads a table script (VBScript, Windows-1252 bytes) the way its own language does, as far as
// finding the ROM name needs: comments, statements (colons, " _" continuations, the statements
// after Then and Else of a one-line If), With blocks, Const, Dim and plain assignments, and the
// objects created from "VPinMAME.Controller" or "B2S.Server".

// Where a ROM name came from.
struct RomFinding {
  std::string rom = "nf";  // lower case (UTF-8), "nf" when the script names none
  int line = 0;            // 1-based line of the statement that sets the controller's game name
  std::string line_text;   // that line, trimmed of blanks and cut to 120 characters (UTF-8)
  // The names followed from that statement to the literal, each with the line of the assignment
  // that gave its value; empty when the statement holds the literal itself.
  struct Step {
    std::string name;  // as the assignment spells it (UTF-8)
    int line = 0;
    std::string line_text;  // as line_text is cut
  };
  std::vector<Step> names;
  // Why the script names no ROM, when it names none.
  std::string why_plain;
};

// Finds the game name that the script gives the PinMAME controller: the first live statement
// that sets it (`Controller.GameName = ...`, `.GameName = ...` inside `With Controller`, or on
// any object created from "VPinMAME.Controller" or "B2S.Server"), its value followed through
// names to a literal. Never fails: a script without such a statement gives "nf".
RomFinding FindRomInScript(std::string_view script);

#pragma once

#include <QString>
#include <string>

// Orvane's cabinet face as a whole program: the shared collection, the cabinet's windows, the
// game started from them. Returns the program's exit code.
// `screenshot` (not for users), when not empty, saves each screen's window as
// SCREENSHOT-<role>.png once it is drawn (after `wait_ms`) and ends; `table`, when not empty,
// is the table file selected first.
int RunCabinetMode(const std::string& program_folder, const QString& screenshot = {},
                   const std::string& table = {}, int wait_ms = 1500);

#include "extractor/messages.h"

#include <iostream>

#include "common/codepage.h"
#include "common/text.h"

std::string UsageText() {
  return "Usage: tabrin PATH... [OPTION...]\n"
         "       tabrin TABLE... -why\n"
         "       tabrin FOLDER... -report\n"
         "PATH is a table file (.vpx, .vpt), a folder (all its tables) or a folder pattern\n"
         "(\"/vp/tables/*.vpx\"). A relative path is looked up from the current folder, then\n"
         "from the program folder; one that starts with \"\\\" is in the program folder.\n"
         "Options (any letter case):\n"
         "  -txt        one table only: write its result to output.txt, not to the catalogue\n"
         "  -clear      delete names.ini, info.ini and the emulator listing lx.xml first\n"
         "  -hide       show no window (implies -exit)\n"
         "  -exit       end when the work is done\n"
         "  -overwrite  replace catalogue entries, documents and screenshots that exist\n"
         "  -noalias    do not replace catalogue values by their aliases from alias.ini\n"
         "  -nopics     export no screenshot\n"
         "  -nodocs     export no blurb, description or rules\n"
         "  -norename   accepted; does nothing\n"
         "  -why        print where each table's ROM name comes from; write nothing\n"
         "  -report     print the collection check of each folder; write nothing\n"
         "  -h, --help  print this help\n"
         "Exit status: 0 done, 1 a table or folder not found, 2 misuse,\n"
         "3 something could not be written.\n";
}

std::string WindowUsageText() {
  return "Error!  No Parameters Specified!!!\r\n\r\n"
         "USAGE:  tabrin \"path/vptname.vpt\" [-txt] [-clear] [-hide] [-exit] [-overwrite] "
         "[-noalias] [-nopics] [-nodocs] [-norename] [-why] [-report]";
}

std::string Shown(std::string_view text) { return CutVisibly(ShowControls(text), kMaxTextChars); }

std::string ShownName(std::string_view name) { return Shown(FileNameText(name)); }

std::string NotFoundText(const std::string& table_arg) {
  return "\"" + ShownName(table_arg) + "\" could not be found";
}

void PrintError(const std::string& line) { std::cerr << "tabrin: " << line << std::endl; }

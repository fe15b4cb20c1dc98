#include "extractor/command_line.h"

#include <gtest/gtest.h>

#include "extractor/catalogue.h"

namespace {

TEST(CommandLine, PathIsFirstNonOptionAndOptionsIgnoreCase) {
  const CommandLine line = ParseCommandLine({"tables/x.vpt", "-EXIT"});
  EXPECT_TRUE(line.has_path);
  EXPECT_EQ(line.path, "tables/x.vpt");
  EXPECT_TRUE(line.options.exit);
  EXPECT_FALSE(line.options.hide);
  EXPECT_EQ(MakeTableArgAbsolute(line.path, "/fe"), "/fe/tables/x.vpt");
}

TEST(CommandLine, OptionsMaySitBeforeThePathAndShareOneArgument) {
  const CommandLine line = ParseCommandLine({"-Clear", "/t/*.*", "-exit -hide", "-bogus -NoDocs"});
  EXPECT_EQ(line.path, "/t/*.*");
  EXPECT_TRUE(line.options.clear);
  EXPECT_TRUE(line.options.hide);
  EXPECT_TRUE(line.options.exit);
  EXPECT_TRUE(line.options.nodocs);
  EXPECT_FALSE(line.options.txt);
}

TEST(CommandLine, HideImpliesExitAndUnknownWordsChangeNothing) {
  EXPECT_TRUE(ParseCommandLine({"x.vpt", "-hide"}).options.exit);
  const CommandLine line = ParseCommandLine({"x.vpt", "-norename", "-what", ""});
  EXPECT_TRUE(line.options.norename);
  EXPECT_FALSE(line.options.exit || line.options.overwrite || line.options.txt);
  // A second non-option argument is not a second path.
  EXPECT_EQ(ParseCommandLine({"a.vpt", "b.vpt"}).path, "a.vpt");
}

TEST(CommandLine, EmptyAndPathlessLines) {
  EXPECT_TRUE(ParseCommandLine({}).empty);
  const CommandLine only_options = ParseCommandLine({"-exit"});
  EXPECT_FALSE(only_options.empty);
  EXPECT_FALSE(only_options.has_path);
}

TEST(CommandLine, PathsAreMadeAbsoluteAgainstTheProgramFolder) {
  EXPECT_EQ(MakeTableArgAbsolute("\\tables\\x.vpt", "/fe"), "/fe/tables/x.vpt");
  EXPECT_EQ(MakeTableArgAbsolute("/d/t/*.*", "/fe"), "/d/t/*.*");
  EXPECT_EQ(MakeTableArgAbsolute("  ", "/fe").substr(0, 4), "/fe/");
}

TEST(BaseName, FollowsTheSeparatorRules) {
  ExtractorState state;
  const auto base = [&](const std::string& file) {
    MakeBaseName(state, file);
    return state.ResultName;
  };
  EXPECT_EQ(base("Night_Table_VP91x.vpt"), "Night Table");
  EXPECT_EQ(base("Space Ranger (1978) [r2].vpt"), "Space Ranger");
  EXPECT_EQ(base("Night Table 2.5.vpt"), "Night Table 2");
  EXPECT_EQ(base("(New) Table.vpt"), "(New) Table");
  EXPECT_EQ(base("Big Show VP9 mod.vpt"), "Big Show");
  EXPECT_EQ(base("Caf\xC3\xA9 (2001).vpt"), "Caf\xC3\xA9");
  EXPECT_EQ(base(".vpt"), ".vpt");
}

TEST(BaseName, DropLastCharsCountsCharactersNotBytes) {
  EXPECT_EQ(DropLastChars("abc\xC3\xA9.vpt", 4), "abc\xC3\xA9");
  EXPECT_EQ(DropLastChars("a\xC3\xA9", 1), "a");
  EXPECT_EQ(DropLastChars("ab", 4), "");
}

}  // namespace

// The compound file reader: files as the writer writes them, read only where needed; and the
// same files bent into hostile shapes, which end in missing entries or failed reads.
#include "extractor/compound_file.h"

#include <gtest/gtest.h>

#include <functional>

#include "extractor/table_script.h"
#include "support/bent_table.h"
#include "support/temp_dir.h"

namespace {

using Id = CompoundFile::EntryId;
constexpr Id kNone = CompoundFile::kNone;

TableContents Sample(unsigned sector_size, size_t padding) {
  TableContents table;
  table.table_name = "Night";
  table.author_name = std::string(100, 'a');    // two mini sectors and more
  table.blurb = std::string(3000, 'b');         // a stream of its own sectors
  table.screenshot = "\xFF\xD8 small picture";  // in the mini stream
  table.script = std::string(20'000, 's') + "\r\nController.GameName = \"night\"\r\n";
  table.sector_size = sector_size;
  table.padding_bytes = padding;  // images before the script
  return table;
}

// What `file` gives for each stream that Sample writes into "TableInfo": "ok" when it reads as
// written, else "none" (no such stream) or "unreadable"; then whether the script reads whole.
std::string Outcome(CompoundFile& file, const TableContents& table) {
  const Id info = file.FindStorage(CompoundFile::kRoot, "TableInfo");
  std::string outcome;
  for (const auto& [name, text] : {std::pair{"TableName", ToUtf16Le(*table.table_name)},
                                   {"AuthorName", ToUtf16Le(*table.author_name)},
                                   {"TableBlurb", ToUtf16Le(*table.blurb)},
                                   {"Screenshot", *table.screenshot}}) {
    const Id stream = file.FindStream(info, name);
    std::string bytes;
    outcome += stream == kNone                                  ? "none "
               : !ReadStreamStart(file, stream, 1 << 20, bytes) ? "unreadable "
               : bytes == text                                  ? "ok "
                                                                : "other ";
  }
  std::string script;
  return outcome + (ReadCodeRecord(&file, script) && script == table.script ? "script" : "-");
}

TEST(CompoundFile, ReadsStreamsOfEveryLayoutVisitingEachTableSectorOnce) {
  const struct {
    const char* why;
    unsigned sector_size;
    size_t padding;
    uint64_t max_extra_bytes;  // beyond the streams' own bytes: the header and a few sectors
  } rows[] = {
      {"512-byte sectors", 512, 0, 6 * 512},
      {"4096-byte sectors", 4096, 0, 512 + 3 * 4096},
      {"a FAT of more sectors than the header lists: the DIFAT", 512, 9 << 20, 8 * 512},
      {"4096-byte sectors after 9 MB of pictures", 4096, 9 << 20, 512 + 4 * 4096},
  };
  TempDir dir;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    const TableContents table = Sample(row.sector_size, row.padding);
    ASSERT_TRUE(WriteTable(dir.Path("t.vpx"), table));
    const auto file = CompoundFile::Open(dir.Path("t.vpx"));
    ASSERT_TRUE(file);
    EXPECT_EQ(Outcome(*file, table), "ok ok ok ok script");
    const uint64_t streams =
        2 * (5 + 100 + 3000) + table.screenshot->size() + GameDataRecords(table.script).size();
    EXPECT_LE(file->bytes_read(), streams + row.max_extra_bytes);
    EXPECT_LE(file->read_calls(), 16u);
    // Lookups and sizes come from what was read already.
    const uint64_t bytes = file->bytes_read();
    const Id info = file->FindStorage(CompoundFile::kRoot, "TableInfo");
    EXPECT_EQ(file->StreamSize(file->FindStream(info, "TableBlurb")), 6000u);
    EXPECT_EQ(file->bytes_read(), bytes);
  }
}

TEST(CompoundFile, MatchesNamesAsTheFormatDoesAndKnowsStoragesFromStreams) {
  TempDir dir;
  TableContents table = Sample(512, 0);
  table.info_storage_name = "tableINFO";
  const std::string longest(31, 'L');  // the most a name holds, with its closing zero
  table.raw_info_streams = {
      {"\u00DCnicode", "u"}, {"a", "1"}, {"B", "2"}, {"c", "3"}, {longest, "4"}};
  ASSERT_TRUE(WriteTable(dir.Path("t.vpt"), table));
  auto file = CompoundFile::Open(dir.Path("t.vpt"));
  ASSERT_TRUE(file);
  const Id info = file->FindStorage(CompoundFile::kRoot, "TableInfo");
  const std::pair<const char*, const char*> rows[] = {{"TABLENAME", "Night"},
                                                      {"tablename", "Night"},
                                                      {"\u00FCNICODE", "u"},
                                                      {"A", "1"},
                                                      {"b", "2"},
                                                      {"C", "3"},
                                                      {longest.c_str(), "4"},
                                                      {"TableNam", ""},
                                                      {"TableNames", ""},
                                                      {"Table Name", ""},
                                                      {"", ""}};
  for (const auto& [name, text] : rows) {
    std::string bytes;
    ReadStreamStart(*file, file->FindStream(info, name), 100, bytes);
    EXPECT_EQ(bytes, std::string(text) == "Night" ? ToUtf16Le(text) : text) << name;
  }
  EXPECT_EQ(file->FindStream(CompoundFile::kRoot, "TableInfo"), kNone);  // a storage
  EXPECT_EQ(file->FindStorage(info, "TableName"), kNone);                // a stream
  EXPECT_EQ(file->FindStream(kNone, "TableName"), kNone);
  EXPECT_EQ(file->StreamSize(info), 0u);
  char none[1];
  EXPECT_FALSE(file->Read(info, 0, 0, none));  // a storage has no bytes to read
  std::string bytes = "left";
  EXPECT_FALSE(ReadStreamStart(*file, kNone, 10, bytes));
  EXPECT_EQ(bytes, "");
  // A read past a stream's end reads nothing.
  const Id name = file->FindStream(info, "TableName");
  char out[16];
  EXPECT_TRUE(file->Read(name, 10, 0, out));
  EXPECT_FALSE(file->Read(name, 6, 5, out));
  EXPECT_FALSE(file->Read(name, ~uint64_t{0}, 2, out));
}

TEST(CompoundFile, HostileLinksEndInMissingEntriesOrFailedReads) {
  TempDir dir;
  const TableContents table = Sample(512, 0);
  ASSERT_TRUE(WriteTable(dir.Path("good.vpt"), table));
  const Bent good{dir.ReadFile("good.vpt")};
  const struct {
    const char* why;
    std::function<void(Bent&)> bend;
    const char* outcome;  // "" when the file is no compound file
  } rows[] = {
      {"as written", [](Bent&) {}, "ok ok ok ok script"},
      {"a stream's sectors in a loop", [](Bent& f) { f.Loop(f.Start("TableBlurb")); },
       "ok ok unreadable ok script"},
      {"a loop of two",
       [](Bent& f) { f.Set(f.Link(f.Start("TableBlurb") + 1), f.Start("TableBlurb")); },
       "ok ok unreadable ok script"},
      {"a chain past the end of the file",
       [](Bent& f) { f.Set(f.Link(f.Start("TableBlurb")), 0x00FFFFFF); },
       "ok ok unreadable ok script"},
      {"a chain that ends too soon",
       [](Bent& f) { f.Set(f.Link(f.Start("TableBlurb")), 0xFFFFFFFE); },
       "ok ok unreadable ok script"},
      {"a mini stream's sectors in a loop", [](Bent& f) { f.Loop(f.Start("AuthorName"), true); },
       "ok unreadable ok ok script"},
      {"two streams over the same mini sectors",
       [](Bent& f) { f.Set(f.At(f.Entry("AuthorName")) + 116, f.Start("TableName")); },
       "ok unreadable ok ok script"},
      {"a stream larger than the file",
       [](Bent& f) { f.Set(f.At(f.Entry("TableBlurb")) + 120, 0xFFFFFFF0); },
       "ok ok unreadable ok script"},
      {"a size's high half, which version 3 ignores",
       [](Bent& f) { f.Set(f.At(f.Entry("TableName")) + 124, 0xFFFFFFFF); }, "ok ok ok ok script"},
      {"a mini stream shorter than its streams", [](Bent& f) { f.Set(f.At(0) + 120, 64); },
       "unreadable unreadable ok unreadable script"},
      {"the directory in a loop", [](Bent& f) { f.Loop(f.Get(48)); }, "none none none none -"},
      {"an entry its own sibling",
       [](Bent& f) { f.Set(f.At(f.Entry("TableName")) + 72, f.Entry("TableName")); },
       "ok none none none script"},
      {"a storage whose child is the root",
       [](Bent& f) { f.Set(f.At(f.Entry("TableInfo")) + 76, 0); }, "none none none none script"},
      {"an entry beyond the directory",
       [](Bent& f) { f.Set(f.At(f.Entry("TableInfo")) + 76, 0x7FFFFFF0); },
       "none none none none script"},
      {"the FAT in a sector past the end", [](Bent& f) { f.Set(76, 0x00FFFFFF); },
       "none none none none -"},
      {"a FAT of no sectors", [](Bent& f) { f.Set(44, 0); }, "none none none none -"},
      {"a huge sector shift", [](Bent& f) { f.bytes[30] = 31; }, ""},
      {"512-byte sectors in a version 4 header's place", [](Bent& f) { f.bytes[30] = 12; }, ""},
      {"mini sectors of another size", [](Bent& f) { f.bytes[32] = 7; }, ""},
      {"a root entry that is a stream", [](Bent& f) { f.bytes[f.At(0) + 66] = 2; }, ""},
      {"no signature", [](Bent& f) { f.bytes[0] = 'x'; }, ""},
      {"only the header", [](Bent& f) { f.bytes.resize(512); }, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    Bent bent = good;
    row.bend(bent);
    dir.WriteFile("bent.vpt", bent.bytes);
    auto file = CompoundFile::Open(dir.Path("bent.vpt"));
    EXPECT_EQ(file ? Outcome(*file, table) : "", row.outcome);
    EXPECT_LE(file ? file->bytes_read() : 0, 2 * bent.bytes.size());
  }
  // A stream holds no entries, whatever its child field says.
  Bent bent = good;
  bent.Set(bent.At(bent.Entry("TableName")) + 76, bent.Entry("AuthorName"));
  dir.WriteFile("bent.vpt", bent.bytes);
  const auto file = CompoundFile::Open(dir.Path("bent.vpt"));
  ASSERT_TRUE(file);
  const Id info = file->FindStorage(CompoundFile::kRoot, "TableInfo");
  EXPECT_EQ(file->FindStream(file->FindStream(info, "TableName"), "AuthorName"), kNone);
  // What is no ordinary file is never waited for.
  ASSERT_EQ(mkfifo(dir.Path("pipe.vpt").c_str(), 0644), 0);
  EXPECT_FALSE(CompoundFile::Open(dir.Path("pipe.vpt")));
  EXPECT_FALSE(CompoundFile::Open(dir.path()));
  EXPECT_FALSE(CompoundFile::Open(dir.Path("none.vpt")));
}

// The records before the script are read a window at a time, however many there are.
TEST(CompoundFile, ReadsTheRecordsBeforeTheScriptThroughAWindow) {
  TempDir dir;
  TableContents table = Sample(512, 0);
  std::string records;
  for (int i = 0; i < 20'000; ++i) records += std::string("\x04\0\0\0LOCK", 8);
  table.game_data = records + GameDataRecords(table.script);
  ASSERT_TRUE(WriteTable(dir.Path("t.vpx"), table));
  const auto file = CompoundFile::Open(dir.Path("t.vpx"));
  ASSERT_TRUE(file);
  std::string script;
  EXPECT_TRUE(ReadCodeRecord(file.get(), script));
  EXPECT_EQ(script, table.script);
  EXPECT_LE(file->read_calls(), 16u);
}

// Past 109 FAT sectors (7 MB of 512-byte sectors) their places are listed in DIFAT sectors, a
// chain of their own; here the directory lies beyond too, and only the root entry is read.
TEST(CompoundFile, ADifatThatLoopsOrLeavesTheFileEndsTheLookupsThatNeedIt) {
  TempDir dir;
  const TableContents table = Sample(512, 16 << 20);  // two DIFAT sectors; the script beyond
  ASSERT_TRUE(WriteTable(dir.Path("good.vpt"), table));
  const Bent good{dir.ReadFile("good.vpt")};
  const std::pair<const char*, std::function<void(Bent&)>> rows[] = {
      {"ok ok ok ok script", [](Bent&) {}},
      {"none none none none -", [](Bent& f) { f.Set(68, 0x7FFFFFFF); }},
      {"none none none none -",
       [](Bent& f) { f.Set(512 + size_t{f.Get(68)} * 512 + 508, f.Get(68)); }},
      {"none none none none -", [](Bent& f) { f.Set(44, 200); }},  // fewer than there are
      // The directory moved amid the pictures, where the first DIFAT sector tells the FAT
      // sectors: that sector is read whole first, and links on to the second later.
      {"ok ok ok ok script",
       [](Bent& f) {
         const size_t from = 512 + size_t{f.Get(48)} * 512, to = 512 + size_t{20'000} * 512;
         f.bytes.replace(to, 4096, f.bytes, from, 4096);
         f.Set(48, 20'000);
       }},
  };
  for (const auto& [outcome, bend] : rows) {
    Bent bent = good;
    bend(bent);
    dir.WriteFile("bent.vpt", bent.bytes);
    const auto file = CompoundFile::Open(dir.Path("bent.vpt"));
    ASSERT_TRUE(file);
    EXPECT_EQ(Outcome(*file, table), outcome);
  }
  // A link into the file past the sectors that the FAT is said to cover ends that stream only.
  const TableContents small = Sample(512, 100 << 10);  // three FAT sectors, two said
  ASSERT_TRUE(WriteTable(dir.Path("small.vpt"), small));
  Bent bent{dir.ReadFile("small.vpt")};
  bent.Set(44, 2);
  bent.Set(bent.Link(bent.Start("TableBlurb")), 257);
  dir.WriteFile("bent.vpt", bent.bytes);
  const auto file = CompoundFile::Open(dir.Path("bent.vpt"));
  ASSERT_TRUE(file);
  EXPECT_EQ(Outcome(*file, small), "ok ok unreadable ok script");
}

}  // namespace

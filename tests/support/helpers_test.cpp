// Shared helpers: multi-byte-aware scans, encoding, paths and all-or-nothing file writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/test_support.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/string_utils.h"
#include "support/text_catalogue.h"
#include "support/text_encoding.h"

namespace talvero {
namespace {

TEST(StringScans, UnderscoresAndPeriodsOutsideMultiByteCharacters) {
  EXPECT_EQ(BeforeLastUnderscore("sky_box_left"), "sky_box");
  EXPECT_EQ(AfterLastUnderscore("sky_box_left"), "left");
  EXPECT_EQ(BeforeLastUnderscore("sky"), "");
  EXPECT_EQ(AfterLastUnderscore("sky"), "");
  EXPECT_EQ(AfterLastUnderscore("sky_"), "");
  // An underscore right after a two-byte (here three-byte UTF-8) character is found.
  EXPECT_EQ(BeforeLastUnderscore("空_21"), "空");
  EXPECT_EQ(AfterLastUnderscore("空_21"), "21");
  EXPECT_EQ(LastCharPos("a.b.c", '.'), 4u);
  EXPECT_EQ(LastCharPos("abc", '.'), 0u);
  EXPECT_TRUE(HasPeriod("1.5"));
  EXPECT_FALSE(HasPeriod("15"));
  // Broken sequences never swallow a following ASCII byte, nor run past the end.
  EXPECT_TRUE(HasUnderscore("\xE6_x"));
  EXPECT_FALSE(HasUnderscore("\xE6\x97"));
  EXPECT_TRUE(SameTextIgnoreCase("aircraftx", "AirCraftX"));
  EXPECT_FALSE(SameTextIgnoreCase("AirCraftX", "AirCraftY"));
  EXPECT_FALSE(SameTextIgnoreCase("AirCraft", "AirCraftX"));
}

// A translation that drops a "%1" would lose the file name of its message; one that keeps
// a Japanese character is no translation. Japanese stays exactly as written.
TEST(TextCatalogue, EveryTextKeepsItsPlaceholdersAndJapaneseStaysAsWritten) {
  const auto placeholders = [](std::string_view text) {
    std::string found;
    for (size_t i = 0; i + 1 < text.size(); ++i)
      if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found += text[i + 1];
    std::sort(found.begin(), found.end());
    return found;
  };
  const auto entries = CatalogueEntries(TextLanguage::English);
  ASSERT_GE(entries.size(), 20u);
  for (const auto& [key, text] : entries) {
    EXPECT_EQ(placeholders(text), placeholders(key)) << text;
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
        << text;
    std::string japanese(key);
    if (const size_t at = japanese.find("%1"); at != std::string::npos)
      japanese.replace(at, 2, "a");
    EXPECT_EQ(LocalizedIn(TextLanguage::Japanese, key, {"a"}), japanese);
  }
  EXPECT_EQ(LocalizedIn(TextLanguage::English, "出力中　%1", {"a/空.scn"}), "Writing a/空.scn");
  EXPECT_EQ(LocalizedIn(TextLanguage::English, "no such key %1", {"x"}), "no such key x");
  EXPECT_EQ(LanguageFromCode("en"), TextLanguage::English);
  EXPECT_EQ(LanguageFromCode("de"), std::nullopt);
}

TEST(TextEncoding, CodePage932AtTheFileBoundary) {
  EXPECT_EQ(Utf8ToCp932("日"), "\x93\xFA");
  EXPECT_EQ(Utf8ToCp932("plain"), "plain");
  // Code page 932 maps the full-width tilde of the settings comments, unlike plain Shift-JIS.
  EXPECT_EQ(Utf8ToCp932("～"), "\x81\x60");
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932("光線の進行方向")), "光線の進行方向");
  EXPECT_THROW(Utf8ToCp932("sky\xF0\x9F\x98\x80"), ConvertError);  // an emoji has no Shift-JIS code
  EXPECT_THROW(Utf8ToCp932("bad\xFF"), ConvertError);
  // Look-alikes are refused (platform_test.cpp); this one names the first of them.
  EXPECT_EQ(FirstCharNotInCp932("sky¥1"), "¥");
  EXPECT_EQ(FirstCharNotInCp932("空の景色～"), "");
  // Undecodable bytes become U+FFFD and decoding goes on.
  EXPECT_EQ(Cp932ToUtf8("a\xA0" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Cp932ToUtf8("x\x93"), "x\xEF\xBF\xBD");
}

TEST(Paths, FolderNameAndExtension) {
  EXPECT_EQ(ExtractFilePath("/a/b/scene.scn"), "/a/b/");
  EXPECT_EQ(ExtractFilePath("scene.scn"), "");
  EXPECT_EQ(ExtractFileName("/a/b/scene.scn"), "scene.scn");
  EXPECT_EQ(ExtractFileExt("/a.b/scene"), "");
  EXPECT_EQ(ChangeFileExt("/a/scene.scn", ".x"), "/a/scene.x");
  EXPECT_EQ(ChangeFileExt("/a.b/scene", ".scn"), "/a.b/scene.scn");
  EXPECT_EQ(ChangeFileExt("/a/scene.v1.scn", ".xscn"), "/a/scene.v1.xscn");
}

TEST(AtomicWrite, ReplacesOnlyOnCommitAndLeavesNoTemporaryFiles) {
  testing::TempDir dir;
  const std::string target = dir.Write("scene.scn", "old");
  {
    AtomicFileWriter writer(target);
    writer.Write("new, unfinished");
  }  // abandoned: the old file stays
  EXPECT_EQ(testing::ReadAll(target), "old");
  WriteFileAtomically(target, "new");
  EXPECT_EQ(testing::ReadAll(target), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  EXPECT_THROW(WriteFileAtomically(dir.File("missing/x.scn"), "x"), FileError);
  EXPECT_TRUE(FileExists(target));
  EXPECT_FALSE(FileExists(dir.Path().string()));
  EXPECT_TRUE(DirectoryExists(dir.Path().string()));
}

}  // namespace
}  // namespace talvero

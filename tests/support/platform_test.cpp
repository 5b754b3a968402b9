// What the platform layer must do alike on every system: code page 932 with the same
// refusals and replacements, and files whose names are not ASCII.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/test_support.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/text_encoding.h"

namespace talvero {
namespace {

using testing::MessageOf;
using testing::TempDir;

TEST(CodePage932, LookAlikesAreRefusedAndTheirCodesReadBackAsThemselves) {
  // A character stored under another one's code would name another file than the text.
  for (const char* text : {"〜", "¥", "‾", "—", "‖", "−", "¢", "£", "¬"}) {
    SCOPED_TRACE(text);
    const std::string message =
        MessageOf<ConvertError>([&] { Utf8ToCp932(std::string("空") + text); }, "refused");
    EXPECT_NE(message.find(std::string("'") + text + "'"), std::string::npos) << message;
  }
  // The characters those codes stand for are stored.
  EXPECT_EQ(Utf8ToCp932("～"), "\x81\x60");
  EXPECT_EQ(Utf8ToCp932("―"), "\x81\x5C");
  EXPECT_EQ(Utf8ToCp932("∥"), "\x81\x61");
  EXPECT_EQ(Utf8ToCp932("－"), "\x81\x7C");
  EXPECT_EQ(Utf8ToCp932("￠￡￢"), "\x81\x91\x81\x92\x81\xCA");
  EXPECT_EQ(Cp932ToUtf8("\x81\x60\x81\x5C\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA"),
            "～―∥－￠￡￢");
  // Windows' own extensions: NEC specials, IBM extensions, the user-defined area.
  EXPECT_EQ(Utf8ToCp932("①ⅰ￤"), "\x87\x40\xFA\x40\xFA\x55");
  EXPECT_EQ(Cp932ToUtf8("\x87\x40\xED\x40\xFA\x40\xF0\x40"), "①纊ⅰ\xEE\x80\x80");
  EXPECT_EQ(Utf8ToCp932("\xEE\x80\x80"), "\xF0\x40");
  // Half-width katakana are single bytes.
  EXPECT_EQ(Utf8ToCp932("ｱｲ"), "\xB1\xB2");
  EXPECT_EQ(Cp932ToUtf8("\xB1\xDF"), "ｱﾟ");
}

TEST(CodePage932, CharactersWithoutACodeAreRefusedByName) {
  for (const char* text : {"\xC2\x80", "\xEF\xA3\xB0", "¦", "€", "😀", "한"}) {
    SCOPED_TRACE(text);
    const std::string message =
        MessageOf<ConvertError>([&] { Utf8ToCp932(std::string("空") + text); }, "refused");
    EXPECT_NE(message.find(std::string("'") + text + "'"), std::string::npos) << message;
  }
  // Bytes that are not UTF-8: overlong forms, surrogates, a cut sequence.
  for (const char* text : {"\xC0\xAF", "\xED\xA0\x80", "\xE6\x97", "\xF5\x80\x80\x80"})
    EXPECT_THROW(Utf8ToCp932(std::string("空") + text), ConvertError);
}

TEST(CodePage932, UndefinedBytesBecomeOneReplacementEach) {
  const std::string r = "\xEF\xBF\xBD";
  // Bytes that start no character (Windows alone gives 0x80 a meaning).
  EXPECT_EQ(Cp932ToUtf8("\x80|\xA0|\xFD\xFE\xFF"), r + "|" + r + "|" + r + r + r);
  // A lead byte whose second byte is not a trail byte: the second byte is read on its own.
  EXPECT_EQ(Cp932ToUtf8("\x93 \x93\x7F"), r + " " + r + "\x7F");
  // An unassigned pair, and a lead byte at the end.
  EXPECT_EQ(Cp932ToUtf8("\x85\x40=\x93"), r + "@=" + r);
}

TEST(FileNames, JapaneseFoldersAndFilesAreWrittenFoundAndRead) {
  TempDir dir;
  const std::string folder = dir.Folder() + "パノラマ";
  std::filesystem::create_directory(PathFromUtf8(folder));
  const std::string file = folder + "/飛行場.scn";
  EXPECT_TRUE(DirectoryExists(folder));
  EXPECT_FALSE(FileExists(file));

  WriteFileAtomically(file, "old");
  WriteFileAtomically(file, "新しい");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_EQ(ReadFileBytes(file), "新しい");
  // One file, under its own name, and no temporary file beside it.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(folder)))
    names.push_back(Utf8FromPath(entry.path().filename()));
  EXPECT_EQ(names, std::vector<std::string>{"飛行場.scn"});

  // Failures name the file as it was given.
  const std::string missing = folder + "/無い.jpg";
  const std::string message = MessageOf<FileError>([&] { ReadFileBytes(missing); }, "read");
  EXPECT_NE(message.find(missing), std::string::npos) << message;
  EXPECT_THROW(WriteFileAtomically(folder + "/無い/x.scn", "x"), FileError);
}

}  // namespace
}  // namespace talvero

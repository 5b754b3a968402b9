// The one-line tokenizer of the scene readers and the value readers on top of it.
#include <gtest/gtest.h>

#include "formats/line_tokenizer.h"
#include "support/errors.h"

namespace talvero {
namespace {

struct Token {
  TokenKind kind;
  std::string text;
  size_t position;
  bool operator==(const Token&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Token& t) {
  return out << static_cast<int>(t.kind) << " '" << t.text << "' @" << t.position;
}

std::vector<Token> Tokens(const std::string& line) {
  std::vector<Token> tokens;
  LineTokenizer t(line);
  do tokens.push_back({t.Kind(), t.Text(), t.Position()});
  while (t.Next() != TokenKind::End);
  return tokens;
}

TEST(LineTokenizer, SplitsEveryKindOfTokenWithItsPosition) {
  using K = TokenKind;
  const std::vector<Token> expected = {
      {K::Symbol, "sf_Key1", 2}, {K::Character, ":", 9},    {K::Integer, "-5", 10},
      {K::Float, "1.5e+3D", 13}, {K::String, "it'sA!", 21}, {K::String, "", 35},
      {K::Integer, "$1f", 37},   {K::Integer, "3", 41},     {K::Symbol, "x", 42},
      {K::Float, "3D", 44},      {K::Symbol, "_L", 46},
  };
  EXPECT_EQ(Tokens("\x01 sf_Key1:-5 1.5e+3D 'it''s'#65'!' # $1f 3x 3D_L"), expected);

  // Each byte of a multi-byte character is a character token of its own.
  const auto bytes = Tokens("a 空");
  ASSERT_EQ(bytes.size(), 4u);
  EXPECT_EQ(bytes[1], (Token{K::Character, "\xE7", 2}));
  EXPECT_EQ(bytes[3].position, 4u);

  // Codes 1 to 32 separate tokens; a NUL ends the line.
  EXPECT_EQ(Tokens(std::string("a\tb\x1F"
                               "c\0d",
                               7))
                .size(),
            3u);
  LineTokenizer empty(" \t ");
  EXPECT_TRUE(empty.AtEnd());
  EXPECT_EQ(empty.Position(), 3u);
}

TEST(LineTokenizer, StringsDecodeQuotesAndCharacterCodes) {
  const struct {
    const char* line;
    const char* text;
  } cases[] = {
      {"'scene'", "scene"},
      {"'a b'' c'", "a b' c"},
      {"''", ""},
      {"#72#105'!'", "Hi!"},
      {"'x'#13#10'y'", "x\r\ny"},
      {"#31354", "空"},
      {"#0#1114112", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // no character: the replacement character
      {"'空''s'", "空's"},
  };
  for (const auto& c : cases) {
    LineTokenizer t(c.line);
    EXPECT_EQ(t.Kind(), TokenKind::String) << c.line;
    EXPECT_EQ(t.Text(), c.text) << c.line;
  }
}

TEST(LineTokenizer, ConvertsNumbersAndRejectsWhatIsNoNumber) {
  const struct {
    const char* text;
    long double value;
  } numbers[] = {{"-5", -5}, {"$1F", 31},       {"1.5e+3D", 1500},
                 {"3D", 3},  {"-1.75", -1.75L}, {"2.5c", 2.5L},
                 {"7S", 7},  {"-.5", -0.5L},    {"9007199254740993", 9007199254740993.0L}};
  for (const auto& n : numbers) {
    LineTokenizer t(n.text);
    EXPECT_EQ(t.NumberValue(), n.value) << n.text;
  }
  EXPECT_EQ(LineTokenizer("-9223372036854775808").IntValue(), INT64_MIN);

  for (const char* bad : {"-", "1-2", "1e", "1.2.3", "$", "99999999999999999999", "--1"})
    EXPECT_THROW(LineTokenizer(bad).NumberValue(), ConvertError) << bad;
  for (const char* notInteger : {"1.5", "x", "'1'", "-", ""})
    EXPECT_THROW(LineTokenizer(notInteger).IntValue(), ConvertError) << notInteger;
}

TEST(LineTokenizer, RefusesUnterminatedStringsAndOverlongLines) {
  EXPECT_THROW(LineTokenizer("'abc"), ParseError);
  EXPECT_THROW(LineTokenizer("'ab''"), ParseError);
  LineTokenizer later("key : 'abc");
  later.Next();
  EXPECT_THROW(later.Next(), ParseError);

  EXPECT_NO_THROW(LineTokenizer(std::string(4095, 'a')));
  EXPECT_THROW(LineTokenizer(std::string(4096, 'a')), ParseError);
  std::string japanese;
  for (int i = 0; i < 4095; ++i) japanese += "空";
  EXPECT_NO_THROW(LineTokenizer{japanese});  // counted in characters, not bytes
  EXPECT_THROW(LineTokenizer(japanese + "a"), ParseError);
}

TEST(LineTokenizer, MovesForwardButNeverPastTheEnd) {
  LineTokenizer t("TEXTURE  sky_top  ");
  t.Next();
  EXPECT_EQ(t.Rest(), "sky_top  ");
  t.Skip(5);
  EXPECT_TRUE(t.AtEnd());
  EXPECT_EQ(t.Rest(), "");
  EXPECT_EQ(t.Next(), TokenKind::End);
}

TEST(ValueReaders, SkipToTheWantedKindOrGiveZero) {
  // The note line: no integer follows, and the later key is consumed, not seen.
  LineTokenizer note("// Line sf_SceneType .. sf_TextureBasename, read it.");
  note.Skip(2);
  EXPECT_EQ(ReadIntValue(note), 0);
  EXPECT_TRUE(note.AtEnd());

  LineTokenizer radius("// sf_AreaRadius : 1000.5 7");
  radius.Skip(1);
  EXPECT_EQ(ReadIntValue(radius), 7);  // floats are passed over
  EXPECT_EQ(radius.Text(), "7");

  LineTokenizer number("sf_SlopeX : x -1.75 2");
  EXPECT_EQ(ReadNumberValue(number), -1.75L);
  EXPECT_EQ(ReadNumberValue(number), 2);
  EXPECT_EQ(ReadNumberValue(number), 0);

  LineTokenizer text("sf_TextureBasename : 1 'a b' 'c'");
  EXPECT_EQ(ReadStringValue(text), "a b");
  EXPECT_EQ(ReadStringValue(text), "c");
  EXPECT_EQ(ReadStringValue(text), "");

  // The reader starts by leaving the current token, even when it is of the wanted kind.
  LineTokenizer first("5 6");
  EXPECT_EQ(ReadIntValue(first), 6);

  LineTokenizer bad("sf_AreaRadius : -");
  EXPECT_THROW(ReadIntValue(bad), ConvertError);
}

TEST(ValueReaders, ErrorsNameTheFileAndLineAndKeepTheirType) {
  auto rethrown = [](auto error) {
    try {
      throw error;
    } catch (...) {
      RethrowAtLine("scene.scn", 12);
    }
  };
  try {
    rethrown(ConvertError("'-' is not a valid integer value"));
  } catch (const ConvertError& e) {
    EXPECT_STREQ(e.what(), "'scene.scn', line 12: '-' is not a valid integer value");
  }
  EXPECT_THROW(rethrown(ParseError("x")), ParseError);
  EXPECT_THROW(rethrown(FileError("x")), FileError);
}

}  // namespace
}  // namespace talvero

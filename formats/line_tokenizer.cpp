#include "formats/line_tokenizer.h"

#include <exception>

#include "support/errors.h"
#include "support/number_format.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsFloatChar(char c) {
  return IsDigit(c) || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}
bool IsTypeLetter(char c) {
  return c == 'c' || c == 'C' || c == 'd' || c == 'D' || c == 's' || c == 'S';
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

size_t CharacterCount(std::string_view s) {
  size_t count = 0;
  for (size_t i = 0; i < s.size(); i += CharLengthAt(s, i)) ++count;
  return count;
}

}  // namespace

LineTokenizer::LineTokenizer(std::string line) : FLine(std::move(line)) {
  // A NUL ends the text, as it does for a whole file.
  if (const size_t nul = FLine.find('\0'); nul != std::string::npos) FLine.resize(nul);
  if (FLine.size() > kMaxLineLength && CharacterCount(FLine) > kMaxLineLength)
    throw ParseError("the line is longer than " + std::to_string(kMaxLineLength) + " characters");
  Next();
}

TokenKind LineTokenizer::Next() {
  const std::string& s = FLine;
  size_t p = FNext;
  while (p < s.size() && static_cast<unsigned char>(s[p]) >= 1 &&
         static_cast<unsigned char>(s[p]) <= 32)
    ++p;
  FStart = p;
  FText.clear();
  FHasTypeLetter = false;
  if (p >= s.size()) {
    FKind = TokenKind::End;
    FNext = p;
    return FKind;
  }
  const char c = s[p];
  if (IsLetter(c)) {
    while (p < s.size() && (IsLetter(s[p]) || IsDigit(s[p]))) ++p;
    FKind = TokenKind::Symbol;
  } else if (c == '-' || IsDigit(c)) {
    ++p;
    while (p < s.size() && IsDigit(s[p])) ++p;
    FKind = TokenKind::Integer;
    while (p < s.size() && IsFloatChar(s[p])) {
      ++p;
      FKind = TokenKind::Float;
    }
    if (p < s.size() && IsTypeLetter(s[p])) {
      ++p;
      FKind = TokenKind::Float;
      FHasTypeLetter = true;
    }
  } else if (c == '$') {
    ++p;
    while (p < s.size() && IsHexDigit(s[p])) ++p;
    FKind = TokenKind::Integer;
  } else if (c == '\'' || c == '#') {
    FNext = p;
    ReadString();
    return FKind;
  } else {
    ++p;
    FKind = TokenKind::Character;
  }
  FText.assign(s, FStart, p - FStart);
  FNext = p;
  return FKind;
}

void LineTokenizer::ReadString() {
  const std::string& s = FLine;
  size_t p = FNext;
  for (;;) {
    if (p < s.size() && s[p] == '#') {
      ++p;
      uint32_t code = 0;
      bool digits = false;
      while (p < s.size() && IsDigit(s[p])) {
        // Anything beyond the last code point is invalid anyway; stop growing there.
        if (code <= 0x10FFFF) code = code * 10 + static_cast<uint32_t>(s[p] - '0');
        digits = true;
        ++p;
      }
      if (digits) AppendUtf8(FText, code);
    } else if (p < s.size() && s[p] == '\'') {
      ++p;
      for (;;) {
        if (p >= s.size())
          throw ParseError("a string starting at column " + std::to_string(FStart + 1) +
                           " has no closing quote");
        if (s[p] == '\'') {
          ++p;
          if (p >= s.size() || s[p] != '\'') break;
        }
        FText += s[p++];
      }
    } else {
      break;
    }
  }
  FKind = TokenKind::String;
  FNext = p;
}

void LineTokenizer::Skip(int count) {
  for (int i = 0; i < count && !AtEnd(); ++i) Next();
}

void LineTokenizer::SkipToEnd() {
  while (!AtEnd()) Next();
}

std::string_view LineTokenizer::Rest() const { return std::string_view(FLine).substr(FStart); }

int64_t LineTokenizer::IntValue() const {
  if (AtEnd()) throw ConvertError("an integer is missing at the end of the line");
  if (FKind != TokenKind::Integer) throw ConvertError("'" + FText + "' is not an integer");
  const auto value = ParseInt64(FText);
  if (!value) throw ConvertError("'" + FText + "' is not a valid integer value");
  return *value;
}

long double LineTokenizer::NumberValue() const {
  if (AtEnd()) throw ConvertError("a number is missing at the end of the line");
  if (FKind == TokenKind::Integer) return static_cast<long double>(IntValue());
  if (FKind != TokenKind::Float) throw ConvertError("'" + FText + "' is not a number");
  const std::string_view digits =
      std::string_view(FText).substr(0, FText.size() - (FHasTypeLetter ? 1 : 0));
  const auto value = ParseFloat(digits);
  if (!value) throw ConvertError("'" + FText + "' is not a valid floating point value");
  return *value;
}

int64_t ReadIntValue(LineTokenizer& tokenizer) {
  while (tokenizer.Next() != TokenKind::End)
    if (tokenizer.Kind() == TokenKind::Integer) return tokenizer.IntValue();
  return 0;
}

long double ReadNumberValue(LineTokenizer& tokenizer) {
  while (tokenizer.Next() != TokenKind::End)
    if (tokenizer.IsNumber()) return tokenizer.NumberValue();
  return 0;
}

std::string ReadStringValue(LineTokenizer& tokenizer) {
  while (tokenizer.Next() != TokenKind::End)
    if (tokenizer.Kind() == TokenKind::String) return tokenizer.Text();
  return {};
}

void RethrowAtLine(const std::string& fileName, size_t lineNumber) {
  const std::string where = "'" + fileName + "', line " + std::to_string(lineNumber) + ": ";
  try {
    throw;
  } catch (const ConvertError& e) {
    throw ConvertError(where + e.what());
  } catch (const ParseError& e) {
    throw ParseError(where + e.what());
  }
}

}  // namespace talvero

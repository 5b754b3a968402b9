// The one-line tokenizer of the scene readers, and the value readers built on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace talvero {

enum class TokenKind {
  End,        // end of the line; stays the current token once reached
  Symbol,     // A-Z a-z _ then letters, digits, _
  Integer,    // "-" or a digit then digits; or "$" then hexadecimal digits
  Float,      // an integer followed by 0-9 . e E + -, then an optional type letter cCdDsS
  String,     // quoted pieces ('' for one quote) and #codes; Text() is the decoded content
  Character,  // any other single byte
};

class LineTokenizer {
 public:
  // Longest accepted line, in characters.
  static constexpr size_t kMaxLineLength = 4095;

  // Reads the first token. ParseError when the line is too long or the first token is a
  // string without its closing quote.
  explicit LineTokenizer(std::string line);

  // Moves to the next token and returns its kind; at the end it stays at the end.
  // ParseError for a string without its closing quote.
  TokenKind Next();
  // Moves forward `count` tokens, never past the end.
  void Skip(int count);
  // Moves to the end of the line.
  void SkipToEnd();

  TokenKind Kind() const { return FKind; }
  // The token's characters (type letter included for floats); decoded content for strings.
  const std::string& Text() const { return FText; }
  // 0-based byte offset of the token's first character in the line.
  size_t Position() const { return FStart; }
  const std::string& Line() const { return FLine; }
  // The line from the current token's first character to its end.
  std::string_view Rest() const;

  bool AtEnd() const { return FKind == TokenKind::End; }
  bool IsNumber() const { return FKind == TokenKind::Integer || FKind == TokenKind::Float; }
  bool IsSymbol(std::string_view name) const { return FKind == TokenKind::Symbol && FText == name; }
  bool IsCharacter(char c) const { return FKind == TokenKind::Character && FText[0] == c; }

  // The value of an integer token (decimal, or hexadecimal after "$"). ConvertError when the
  // token is not an integer or its text is not a 64-bit number (a lone "-").
  int64_t IntValue() const;
  // The value of an integer or float token (a float without its type letter). ConvertError
  // when the token is not a number or its text does not read as one ("1-2").
  long double NumberValue() const;

 private:
  void ReadString();

  std::string FLine;
  size_t FNext = 0;  // where the next token starts looking
  size_t FStart = 0;
  TokenKind FKind = TokenKind::End;
  std::string FText;
  bool FHasTypeLetter = false;
};

// Value readers: each leaves the current token (the key), moves forward to the first token
// of the kind it wants and returns its value, or a zero / empty value at the end of the line.
// ReadIntValue passes over floats; ReadNumberValue takes integers and floats.
int64_t ReadIntValue(LineTokenizer& tokenizer);
long double ReadNumberValue(LineTokenizer& tokenizer);
std::string ReadStringValue(LineTokenizer& tokenizer);

// Rethrows the exception being handled with "'file', line N: " in front of its message,
// keeping its type. Call it only inside a catch block.
[[noreturn]] void RethrowAtLine(const std::string& fileName, size_t lineNumber);

// Runs `step` on behalf of the 0-based line `lineIndex`; a conversion or tokenizer error it
// raises comes back located as by RethrowAtLine.
template <typename Step>
auto AtLine(const std::string& fileName, size_t lineIndex, Step&& step) -> decltype(step()) {
  try {
    return step();
  } catch (...) {
    RethrowAtLine(fileName, lineIndex + 1);
  }
}

}  // namespace talvero

// The line tokenizer of the scene readers and its value readers, on one line of any bytes.
// Besides "no crash": only ParseError and ConvertError are raised; tokens stand in order
// inside the line; a symbol, number or character token is the text at its position; the end
// stays the end; the value readers agree with walking the tokens by hand.

#include <string>

#include "formats/line_tokenizer.h"
#include "fuzz/fuzz_support.h"
#include "support/errors.h"

using namespace talvero;
using talvero::fuzz::Check;

namespace {

// The first token of `kind` after the current one, as the value readers look for it.
void WalkTokens(const std::string& line) {
  LineTokenizer t(line);
  const std::string& text = t.Line();
  size_t last = 0;
  for (int guard = 0; !t.AtEnd(); ++guard) {
    Check(guard <= static_cast<int>(text.size()), "more tokens than bytes");
    Check(t.Position() >= last && t.Position() < text.size(), "a token out of order");
    Check(t.Rest() == std::string_view(text).substr(t.Position()), "Rest() is not the line's end");
    last = t.Position() + 1;
    switch (t.Kind()) {
      case TokenKind::Symbol:
      case TokenKind::Integer:
      case TokenKind::Float:
      case TokenKind::Character:
        Check(text.compare(t.Position(), t.Text().size(), t.Text()) == 0,
              "a token's text is not the line's text at its position");
        break;
      default:
        break;
    }
    try {
      if (t.Kind() == TokenKind::Integer) (void)t.IntValue();
      if (t.IsNumber()) (void)t.NumberValue();
    } catch (const ConvertError&) {
    }
    t.Next();
  }
  t.Next();
  Check(t.AtEnd() && t.Text().empty(), "the end of the line did not stay the end");
}

void ReadValues(const std::string& line) {
  {
    LineTokenizer t(line);
    try {
      (void)ReadIntValue(t);
    } catch (const ConvertError&) {
    }
  }
  {
    LineTokenizer t(line);
    try {
      (void)ReadNumberValue(t);
    } catch (const ConvertError&) {
    }
  }
  LineTokenizer t(line), byHand(line);
  const std::string value = ReadStringValue(t);
  do byHand.Next();
  while (!byHand.AtEnd() && byHand.Kind() != TokenKind::String);
  Check(value == byHand.Text(), "ReadStringValue differs from the walk");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  try {
    WalkTokens(line);
    ReadValues(line);
  } catch (const ParseError&) {
  }
  return 0;
}

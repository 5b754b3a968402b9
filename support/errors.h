// One exception hierarchy for the whole core. Every failure carries a message a
// user can act on: what failed, on which file, and why.
#pragma once

#include <stdexcept>
#include <string>

namespace talvero {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be opened, read, written or renamed.
class FileError : public Error {
 public:
  using Error::Error;
};

// An image file is damaged, unsupported or hostile.
class ImageError : public Error {
 public:
  using Error::Error;
};

// Text that should hold a number (or an encodable string) does not.
class ConvertError : public Error {
 public:
  using Error::Error;
};

// A scene file's text broke a rule of its format (unterminated string, line too long, ...).
class ParseError : public Error {
 public:
  using Error::Error;
};

}  // namespace talvero

#include "support/platform/console.h"

#include <windows.h>
#include <shellapi.h>

#include <streambuf>

#include "support/platform/windows/wide.h"

namespace talvero::platform {

namespace {

// A stream buffer over a standard handle: wide characters for a console, UTF-8 bytes for
// anything else. A character split across two writes is held back until it is whole.
class StandardBuffer : public std::streambuf {
 public:
  explicit StandardBuffer(DWORD which) : FHandle(GetStdHandle(which)) {
    DWORD mode = 0;
    FConsole = FHandle != nullptr && FHandle != INVALID_HANDLE_VALUE &&
               GetConsoleMode(FHandle, &mode);
  }
  ~StandardBuffer() override { Flush(true); }

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) FPending += traits_type::to_char_type(c);
    if (FPending.size() >= 4096) Flush(false);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    FPending.append(s, static_cast<size_t>(n));
    if (FPending.size() >= 4096) Flush(false);
    return n;
  }
  int sync() override { return Flush(true) ? 0 : -1; }

 private:
  // Length of the longest prefix of FPending that ends on a whole UTF-8 character.
  size_t WholeCharacters() const {
    size_t end = FPending.size();
    size_t back = 0;
    while (back < end && back < 4 && (static_cast<unsigned char>(FPending[end - 1 - back]) & 0xC0) == 0x80)
      ++back;
    if (back >= end) return end;
    const unsigned char lead = static_cast<unsigned char>(FPending[end - 1 - back]);
    const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return need > back + 1 ? end - 1 - back : end;
  }

  bool Flush(bool all) {
    if (FHandle == nullptr || FHandle == INVALID_HANDLE_VALUE) {
      FPending.clear();
      return false;
    }
    const size_t length = FConsole && !all ? WholeCharacters() : FPending.size();
    bool ok = true;
    if (FConsole) {
      const std::wstring wide = Widen(std::string_view(FPending).substr(0, length));
      for (size_t done = 0; done < wide.size() && ok;) {
        DWORD written = 0;
        ok = WriteConsoleW(FHandle, wide.data() + done, static_cast<DWORD>(wide.size() - done),
                           &written, nullptr) && written > 0;
        done += written;
      }
    } else {
      for (size_t done = 0; done < length && ok;) {
        DWORD written = 0;
        ok = WriteFile(FHandle, FPending.data() + done, static_cast<DWORD>(length - done),
                       &written, nullptr) && written > 0;
        done += written;
      }
    }
    FPending.erase(0, length);
    return ok;
  }

  HANDLE FHandle;
  bool FConsole = false;
  std::string FPending;
};

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

std::ostream& StandardOutput() {
  static StandardBuffer buffer(STD_OUTPUT_HANDLE);
  static std::ostream stream(&buffer);
  return stream;
}

std::ostream& StandardError() {
  static StandardBuffer buffer(STD_ERROR_HANDLE);
  static std::ostream stream(&buffer);
  stream.setf(std::ios::unitbuf);  // as std::cerr: every message at once
  return stream;
}

}  // namespace talvero::platform

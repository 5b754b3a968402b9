// Runs a built program, as a shell would, with its standard output and error in files.
#pragma once

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "support/platform/files.h"
#else
#include <sys/wait.h>

#include <cstdlib>
#endif

namespace talvero::testing {

#ifdef _WIN32
namespace detail {

// One argument as CommandLineToArgvW and the C runtime split it again.
inline std::wstring Quoted(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
    slashes = 0;
    quoted += c;
  }
  quoted.append(2 * slashes, L'\\');
  return quoted + L"\"";
}

// `program` and `args`, each quoted, for CreateProcessW.
inline std::wstring CommandLine(const std::string& program, const std::vector<std::string>& args) {
  std::wstring commandLine = Quoted(platform::WideName(program));
  for (const std::string& arg : args) commandLine += L" " + Quoted(platform::WideName(arg));
  return commandLine;
}

inline HANDLE OutputFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(platform::WideName(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace detail
#else
namespace detail {

inline std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace detail
#endif

// Runs `program` with `args` in the folder `workDir`; its exit status, -1 when it did not
// end by exiting.
inline int RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workDir, const std::string& outFile,
                      const std::string& errFile) {
#ifdef _WIN32
  using namespace detail;
  std::wstring commandLine = CommandLine(program, args);
  HANDLE out = OutputFile(outFile), err = OutputFile(errFile);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const std::wstring folder = platform::WideName(workDir);
  const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, folder.c_str(), &startup, &process);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  const bool exited = GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exited ? static_cast<int>(status) : -1;
#else
  using detail::Quoted;
  std::string command = "cd " + Quoted(workDir) + " && " + Quoted(program);
  for (const std::string& arg : args) command += " " + Quoted(arg);
  command += " >" + Quoted(outFile) + " 2>" + Quoted(errFile);
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace talvero::testing

// The program's identity, shown by the about box and the help message.
#pragma once

namespace talvero {

inline constexpr const char* kProgramCaption = "Talvero.exe";
inline constexpr const char* kVersionText = "Talvero.exe version 1.81";
inline constexpr const char* kHomePageUrl = "https://talvero.github.io/";

}  // namespace talvero

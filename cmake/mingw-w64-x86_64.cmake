# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix thread model).
# TALVERO_WINDOWS_DEPS names the folder with the static libraries built for Windows
# (scripts/build-windows.sh passes its cache folder).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${triple}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${triple}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${triple}-windres REQUIRED)
set(CMAKE_ASM_NASM_COMPILER nasm)

# Libraries and headers come from the MinGW sysroot and the dependency folder only, never
# from the build machine's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
# TALVERO_WINDOWS_QT names Qt built for Windows (scripts/build-qt-windows.sh); its moc, rcc
# and uic are the build machine's (QT_HOST_PATH).
foreach(prefix ${TALVERO_WINDOWS_QT} ${TALVERO_WINDOWS_DEPS})
  list(PREPEND CMAKE_FIND_ROOT_PATH ${prefix})
  list(APPEND CMAKE_PREFIX_PATH ${prefix})
endforeach()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TALVERO_WINDOWS_DEPS TALVERO_WINDOWS_QT)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static archives only (the sysroot also has zlib's import library), and the compiler's own
# runtime linked in, so that the programs need no DLL beyond those of Windows.
# CMake's Windows platform files put ".dll.a" first again, so zlib is asked for static.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine.
find_program(TALVERO_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(TALVERO_WINE NAMES wine64 wine)
if(TALVERO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TALVERO_WINE})
endif()

# Cross-building for 64-bit Windows with Debian's mingw-w64 (the POSIX thread
# model, for std::thread). QUORVEL_WINDOWS_DEPS is the prefix that
# scripts/windows-deps built liblzma, libcrypto and the header-only libraries into;
# nothing is taken from the build machine's own /usr. Programs link statically, so
# they run with no DLL beside them, and ctest runs them under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVEL_WINDOWS_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVEL_WINDOWS_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEL_WINDOWS_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEL_WINDOWS_HOST}-windres)

# try_compile runs this file again and needs the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVEL_WINDOWS_DEPS)
if(NOT QUORVEL_WINDOWS_DEPS)
  message(FATAL_ERROR "Set QUORVEL_WINDOWS_DEPS to the prefix scripts/windows-deps prints")
endif()
set(CMAKE_FIND_ROOT_PATH ${QUORVEL_WINDOWS_DEPS} /usr/${QUORVEL_WINDOWS_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

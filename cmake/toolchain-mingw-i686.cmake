# Cross build for 32-bit Windows with Debian's MinGW-w64. The posix thread model is needed:
# the win32 one has no std::mutex, which GoogleTest uses.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(UNLIMIT_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${UNLIMIT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UNLIMIT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${UNLIMIT_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${UNLIMIT_MINGW_PREFIX}-objdump)
set(CMAKE_STRIP ${UNLIMIT_MINGW_PREFIX}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${UNLIMIT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program and DLL carries its own C and C++ runtime, so that it needs only the
# system's DLLs wherever it is copied.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

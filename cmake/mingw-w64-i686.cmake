# Cross build of the 32-bit Windows program with MinGW-w64 (Debian: g++-mingw-w64-i686), for
# 32-bit Windows, where the 64-bit program cannot start.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(NIMBREL_MINGW_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Shared part of the MinGW-w64 toolchain files, which set NIMBREL_MINGW_TARGET (the target
# triple) and CMAKE_SYSTEM_PROCESSOR before including it.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model gives std::thread and std::mutex.
set(CMAKE_C_COMPILER ${NIMBREL_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NIMBREL_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${NIMBREL_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NIMBREL_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Lets ctest run the Windows test programs.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Cross build of the Windows program with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
# The posix thread model gives GoogleTest its std::mutex; the program links statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine when ctest runs them on Linux.
find_program(VKM_WINE NAMES wine wine64)
if(VKM_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VKM_WINE})
endif()

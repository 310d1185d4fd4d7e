# Cross-compiling for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# A lone program (orbtool-cli) runs without the compiler's DLLs beside it.  Qt and the programs
# linked against its DLLs share one C++ runtime instead, shipped beside them in the bundle.
if(NOT ORB_TOOLCHAIN_SHARED)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORB_TOOLCHAIN_SHARED)

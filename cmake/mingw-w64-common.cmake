# Shared part of the mingw-w64 toolchain files: posix thread model compilers.
set(CMAKE_C_COMPILER ${BRINDOL_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRINDOL_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BRINDOL_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${BRINDOL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Test programs run under Wine; wine-run.sh picks 32- or 64-bit Wine by the
# program's header. scripts/test runs the 32-bit suite only where 32-bit Wine is
# installed.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)

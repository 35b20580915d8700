# Cross build of the Windows x64 program with Debian's mingw-w64 (posix threads variant).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TN_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every Windows test binary runs under Wine, inside the loopback-only sandbox, with the
# prefix of this build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run.sh)

# The part of both cross toolchains that only the target processor tells apart: the
# posix-thread mingw-w64 compilers for CMAKE_SYSTEM_PROCESSOR, and Wine to run test programs.
set(CMAKE_SYSTEM_NAME Windows)
set(_qm_triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${_qm_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_qm_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_qm_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_qm_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine of the same architecture through the launcher.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)

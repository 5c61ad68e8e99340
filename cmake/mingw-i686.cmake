# Cross-compiling for 32-bit Windows with the posix-thread mingw-w64 compilers.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)

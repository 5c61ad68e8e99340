# Cross-compiling for 64-bit Windows with the posix-thread mingw-w64 compilers.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)

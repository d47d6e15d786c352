# Cross-compiles the 64-bit Windows build with mingw-w64. It is test
# equipment: the same code and simulator, run under 64-bit Wine on machines
# that cannot start 32-bit programs. The product stays 32-bit.
set(NELVO_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

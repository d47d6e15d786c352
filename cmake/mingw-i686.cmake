# Cross-compiles the 32-bit Windows program, the product, with mingw-w64.
set(NELVO_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)

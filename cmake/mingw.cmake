# The part of the mingw-w64 toolchain files that both Windows builds share:
# the compilers of NELVO_MINGW_PROCESSOR's cross toolchain, posix threads (so
# std::thread and std::mutex exist), and libraries and headers from its root.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${NELVO_MINGW_PROCESSOR})
set(nelvo_mingw_triple ${NELVO_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${nelvo_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${nelvo_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${nelvo_mingw_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${nelvo_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test wiring shared by both builds. On the Windows build every test program
# runs under Wine, in a prefix inside the build folder, with one persistent
# wineserver that the "wine" fixture starts and stops.
set(NELVO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(NELVO_WINE_RUN ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh)

macro(nelvo_setup_testing)
  if(WIN32)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${NELVO_WINE_RUN} ${NELVO_WINEPREFIX})
    # GoogleTest from the sources Debian ships.
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    add_test(NAME wine_start COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh start ${NELVO_WINEPREFIX})
    add_test(NAME wine_stop COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh stop ${NELVO_WINEPREFIX})
    set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
    set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
  else()
    find_package(GTest REQUIRED)
  endif()
endmacro()

# Properties every test needs on this build: the Wine fixture on Windows.
function(nelvo_test_properties name)
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

# One CTest test running a GoogleTest program from the output folder.
function(nelvo_add_gtest target)
  nelvo_target_defaults(${target})
  target_link_libraries(${target} PRIVATE GTest::gtest_main)
  add_test(NAME ${target} COMMAND ${target} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  nelvo_test_properties(${target})
endfunction()

# How a driver on the Linux side starts a program of this build.
if(WIN32)
  set(NELVO_RUNNER "${NELVO_WINE_RUN} ${NELVO_WINEPREFIX}")
else()
  set(NELVO_RUNNER "")
endif()

# Test wiring shared by both builds. On the Windows builds every test program
# runs under Wine, in a prefix inside the build folder, with one persistent
# wineserver that the "wine" fixture starts and stops. Each build has its
# own loader: the 32-bit one, which a machine without 32-bit emulation
# cannot start (its tests then report themselves skipped), or the 64-bit one.
set(NELVO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(NELVO_WINE_RUN ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(NELVO_WINE_LOADER /usr/lib/wine/wine64)
else()
  set(NELVO_WINE_LOADER /usr/lib/wine/wine)
endif()
# Exit code of a test that could not run here (CTest shows it skipped).
set(NELVO_SKIPPED 77)

macro(nelvo_setup_testing)
  if(WIN32)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${NELVO_WINE_RUN} ${NELVO_WINE_LOADER} ${NELVO_WINEPREFIX})
    # GoogleTest from the sources Debian ships.
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    foreach(action start stop)
      add_test(NAME wine_${action} COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh ${action}
                                           ${NELVO_WINE_LOADER} ${NELVO_WINEPREFIX})
    endforeach()
    set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine SKIP_RETURN_CODE ${NELVO_SKIPPED})
    set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
  else()
    find_package(GTest REQUIRED)
  endif()
endmacro()

# Properties every test that runs programs of this build needs: on Windows
# the Wine fixture, and skipped where Wine's loader cannot start.
function(nelvo_test_properties name)
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine
                                            SKIP_RETURN_CODE ${NELVO_SKIPPED})
  endif()
endfunction()

# One CTest test running a GoogleTest program from the output folder.
function(nelvo_add_gtest target)
  nelvo_target_defaults(${target})
  target_link_libraries(${target} PRIVATE GTest::gtest_main)
  add_test(NAME ${target} COMMAND ${target} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  nelvo_test_properties(${target})
endfunction()

# How a driver on the Linux side starts a program of this build
# (NELVO_RUNNER, one string), and the command prefix that starts the driver
# itself (NELVO_DRIVER, a list: on Windows it skips where Wine cannot start).
if(WIN32)
  set(NELVO_RUNNER "${NELVO_WINE_RUN} ${NELVO_WINE_LOADER} ${NELVO_WINEPREFIX}")
  set(NELVO_DRIVER ${NELVO_WINE_RUN} ${NELVO_WINE_LOADER} ${NELVO_WINEPREFIX} --host)
else()
  set(NELVO_RUNNER "")
  set(NELVO_DRIVER "")
endif()

# Test helpers shared by the three tiers.
#   qs_unit_test(name src...)      native GoogleTest program over the window-free rules
#   qs_wine_test(name src...)      GoogleTest program built for Windows, run in-process under Wine
#   qs_e2e_test(name script.py)    end-to-end test of the shipped programs under Wine + Xvfb
if(NOT WIN32)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  function(qs_unit_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE qs_rules qs_warnings GTest::gtest GTest::gtest_main GTest::gmock)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
  endfunction()
else()
  # GoogleTest comes as sources (Debian's googletest): without them, only the in-process tier is left out.
  if(NOT TARGET gtest AND EXISTS /usr/src/googletest/CMakeLists.txt)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  if(NOT TARGET gtest)
    message(STATUS "No GoogleTest sources in /usr/src/googletest: the in-process tests are not built")
  endif()
  # One Wine process per test program: starting Wine per test case costs too much.
  function(qs_wine_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE gtest gmock gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    # In-process tests share one display and its pointer (some move it): one at a time.
    set_tests_properties(${name} PROPERTIES LABELS wine RESOURCE_LOCK display)
  endfunction()
  function(qs_e2e_test name script)
    add_test(NAME ${name} COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/${script}
             WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
    # End-to-end tests time real programs (ticks, splash lifetimes, pointer moves): each runs
    # alone so that the machine's two cores are not shared with another test's Wine.
    set_tests_properties(${name} PROPERTIES LABELS e2e RUN_SERIAL TRUE
      ENVIRONMENT "QS_DIST=${QS_DIST_DIR};QS_BUILD=${CMAKE_BINARY_DIR};PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/e2e")
  endfunction()
endif()

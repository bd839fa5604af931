# Helpers shared by the folders' CMakeLists.

# Every test runs with fonts of its own: a fontconfig file listing only the Debian
# test fonts, its cache under the build folder (the programs keep the user's fonts).
set(TINDREL_TEST_FONT_CACHE ${CMAKE_BINARY_DIR}/test-fonts/cache)
configure_file(${CMAKE_CURRENT_LIST_DIR}/test-fonts.conf.in ${CMAKE_BINARY_DIR}/test-fonts/fonts.conf @ONLY)
set(TINDREL_TEST_ENV "FONTCONFIG_FILE=${CMAKE_BINARY_DIR}/test-fonts/fonts.conf")

# tindrel_test_env(TEST...) — the common test environment for tests added by add_test.
function(tindrel_test_env)
  set_tests_properties(${ARGN} PROPERTIES ENVIRONMENT "${TINDREL_TEST_ENV}")
endfunction()

# tindrel_sources(VAR) — every .cpp directly in the current folder.
macro(tindrel_sources var)
  file(GLOB ${var} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
endmacro()

# tindrel_tests(NAME LABEL LIBS...) — one GoogleTest program from tests/*.cpp,
# registered with CTest under LABEL. Tests run with tests/data as TINDREL_TEST_DATA.
function(tindrel_tests name label)
  file(GLOB test_src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT test_src)
    return()
  endif()
  add_executable(${name} ${test_src})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    TINDREL_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data"
    TINDREL_BIN_DIR="${TINDREL_BIN_DIR}")
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${label} ENVIRONMENT "${TINDREL_TEST_ENV}"
    DISCOVERY_TIMEOUT 120)
endfunction()

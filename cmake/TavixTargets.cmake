# Common settings of the project's own targets: warnings are errors here,
# never in third-party code.
function(tavix_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)
endfunction()

# tavix_library(<name> SOURCES ... [DEPS ...]): one static library per layer.
function(tavix_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  tavix_compile_options(${name})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# tavix_test(<name> SOURCES ... DEPS ... [LABELS ...]): one GoogleTest
# executable, its cases discovered by CTest at test time (under Wine for the
# Windows build).
function(tavix_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  tavix_compile_options(${name})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${ARG_LABELS}")
endfunction()

# Helpers that give every target of ours the same shape.
include(GNUInstallDirs)
find_package(GTest REQUIRED)
find_package(benchmark QUIET)
find_package(Threads REQUIRED)

# zendrix_library(NAME SHARED|STATIC SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# The folder that holds the sources is the public include folder, so callers
# write #include "Header.h" for the small public header of the subsystem.
function(zendrix_library name kind)
  cmake_parse_arguments(Z "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} ${kind} ${Z_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${Z_PUBLIC_LIBS} PRIVATE zendrix_options ${Z_PRIVATE_LIBS})
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  if(kind STREQUAL "SHARED")
    # Installed beside each other in the private library folder: a library
    # finds the ones it needs next to itself (RUNPATH applies to a library's
    # own dependencies, not to those of the program that loads it).
    set_target_properties(${name} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${name} LIBRARY DESTINATION ${ZENDRIX_INSTALL_LIBDIR} COMPONENT program)
  endif()
endfunction()

# zendrix_test(NAME SOURCES ... LIBS ... LABELS ... [TIMEOUT s] [GTEST])
# Registers one test executable with CTest under the given labels
# (unit, gui, lab, bench). With GTEST the executable links gtest_main.
function(zendrix_test name)
  cmake_parse_arguments(Z "GTEST" "TIMEOUT" "SOURCES;LIBS;LABELS;ARGS;ENV" ${ARGN})
  add_executable(${name} ${Z_SOURCES})
  target_link_libraries(${name} PRIVATE zendrix_options ${Z_LIBS})
  if(Z_GTEST)
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock)
  endif()
  add_test(NAME ${name} COMMAND ${name} ${Z_ARGS})
  if(NOT Z_TIMEOUT)
    set(Z_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${Z_LABELS}" TIMEOUT ${Z_TIMEOUT})
  set(environment ${ZENDRIX_SANITIZER_ENV} ${Z_ENV})
  if(environment)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}")
  endif()
  if("lab" IN_LIST Z_LABELS)
    # Lab tests create network namespaces; two of them at once would only
    # compete for the two cores and make their timings meaningless.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK camlab)
  endif()
endfunction()

# zendrix_fuzzer(NAME SOURCES ... LIBS ... [CORPUS dir])
# The sources define LLVMFuzzerTestOneInput. With ZENDRIX_FUZZ on (clang), the
# target is a libFuzzer binary for long runs. Always, a replay build of the same
# target runs as a unit test: every corpus file plus a fixed number of seeded
# random and mutated inputs, so CI exercises each fuzz target on every run.
function(zendrix_fuzzer name)
  cmake_parse_arguments(Z "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(ZENDRIX_FUZZ)
    add_executable(${name} ${Z_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${Z_LIBS})
  else()
    add_executable(${name}_replay ${Z_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/FuzzReplayMain.cpp)
    target_link_libraries(${name}_replay PRIVATE zendrix_options ${Z_LIBS})
    if(NOT Z_CORPUS)
      set(Z_CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
    endif()
    add_test(NAME ${name}_replay COMMAND ${name}_replay ${Z_CORPUS})
    set_tests_properties(${name}_replay PROPERTIES LABELS "unit;fuzz" TIMEOUT 300)
    if(ZENDRIX_SANITIZER_ENV)
      set_tests_properties(${name}_replay PROPERTIES ENVIRONMENT "${ZENDRIX_SANITIZER_ENV}")
    endif()
  endif()
endfunction()

# zendrix_bench(NAME SOURCES ... LIBS ... [LAB] [ARGS ...])
# A Google Benchmark executable under label bench. CTest runs it briefly so
# every benchmark is proven to work; run the program itself for the figures.
function(zendrix_bench name)
  cmake_parse_arguments(Z "LAB" "" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${Z_SOURCES})
  target_link_libraries(${name} PRIVATE zendrix_options ${Z_LIBS} benchmark::benchmark)
  add_test(NAME ${name} COMMAND ${name} --benchmark_min_time=0.01 ${Z_ARGS})
  set(labels bench)
  if(Z_LAB)
    list(APPEND labels lab)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT 900)
  if(ZENDRIX_SANITIZER_ENV)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ZENDRIX_SANITIZER_ENV}")
  endif()
  if(Z_LAB)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK camlab)
  endif()
endfunction()

# One interface target carries the warning level, -Werror, hidden visibility
# and the sanitizer switch for every target of ours. Third-party code never
# links it, so their warnings cannot break our build.
add_library(zendrix_options INTERFACE)
target_compile_options(zendrix_options INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  $<IF:$<CXX_COMPILER_ID:GNU>,-Wshadow=local,-Wshadow-uncaptured-local> -Wnon-virtual-dtor -Wcast-align -Wformat=2 -Wundef
  -Wno-error=deprecated-declarations)
target_compile_definitions(zendrix_options INTERFACE $<$<CONFIG:Debug>:ZENDRIX_DEBUG_BUILD=1>)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

if(ZENDRIX_SANITIZE)
  target_compile_options(zendrix_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(zendrix_options INTERFACE -fsanitize=address,undefined)
  # Every test (and every simulator it starts, which inherits the environment)
  # ends with a non-zero status on the first finding, leaks at exit included,
  # so that a sanitized run cannot pass while a report scrolls by. No leak is
  # suppressed: Qt, fontconfig and the rest leave none that LeakSanitizer
  # reports at the exit of our tests.
  set(ZENDRIX_SANITIZER_ENV
    "ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1"
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
endif()

# Fuzz builds instrument every library of ours for coverage and memory errors,
# so that libFuzzer sees into the code under test, not only into the harness.
if(ZENDRIX_FUZZ)
  target_compile_options(zendrix_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(zendrix_options INTERFACE -fsanitize=address,undefined)
endif()

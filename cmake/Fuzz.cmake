# zarn_fuzz_target(name sources...): a libFuzzer program (native clang build)
# and a test that runs it briefly on its seed corpus, tests/<...>/corpus/<name>.
# New inputs go to the build folder's corpus (the first folder); the seeds in
# the source tree are only read. tools/fuzz.sh runs the same programs longer.
# Fuzzing builds are optimised (-O1, as libFuzzer advises): the Debug build's
# unoptimised code runs several times fewer inputs a second.
function(zarn_fuzz_target name)
  add_executable(${name} ${ARGN})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer -O1)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/corpus/${name})
  file(MAKE_DIRECTORY ${work})
  add_test(NAME ${name}_brief COMMAND ${name} -max_total_time=10 -max_len=4096
           ${work} ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  set_tests_properties(${name}_brief PROPERTIES
    ENVIRONMENT "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
endfunction()

# zarn_fuzzing_library(name base extra sources...): the sources of library
# <base> again, compiled with coverage for libFuzzer to steer by. A target
# linked to the plain library sees only its own file's coverage.
function(zarn_fuzzing_library name base)
  get_target_property(sources ${base} SOURCES)
  get_target_property(dir ${base} SOURCE_DIR)
  list(TRANSFORM sources PREPEND "${dir}/")
  add_library(${name} STATIC ${sources} ${ARGN})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link -O1)
endfunction()

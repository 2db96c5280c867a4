# The fuzz tree (KENDRAWELL_FUZZ): every library is instrumented for libFuzzer's coverage and built
# with AddressSanitizer and UndefinedBehaviorSanitizer; only the targets of fuzz/ link the fuzzer
# itself (kendrawell_add_fuzzer). Any sanitizer report ends the run, so a finding is never missed.
if(NOT KENDRAWELL_FUZZ)
	return()
endif()

if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang" OR NOT CMAKE_C_COMPILER_ID MATCHES "Clang")
	message(FATAL_ERROR "KENDRAWELL_FUZZ needs clang: configure with CC=clang-14 CXX=clang++-14 (and libclang-rt-14-dev)")
endif()
if(KENDRAWELL_SANITIZE OR KENDRAWELL_TSAN)
	message(FATAL_ERROR "KENDRAWELL_FUZZ brings its own sanitizers; leave KENDRAWELL_SANITIZE and KENDRAWELL_TSAN off")
endif()

# -O1 after the configuration's flags: fast enough to fuzz, still readable in a stack trace.
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -O1)
add_link_options(-fsanitize=address,undefined)

# One libFuzzer program per decoder. Its seed corpus is fuzz/corpus/<name>.
function(kendrawell_add_fuzzer name)
	cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
	add_executable(${name} ${ARG_SOURCES})
	target_link_libraries(${name} PRIVATE FuzzEnvironment ${ARG_LIBS})
	target_link_options(${name} PRIVATE -fsanitize=fuzzer)
	set_property(GLOBAL APPEND PROPERTY KENDRAWELL_FUZZERS ${name})
endfunction()

# Shared build settings and small helpers for the project's libraries, tests and fuzzers.

set(BORVANTA_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion -Wnull-dereference
    -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
# Warnings are errors in the checked (Debug, sanitizer) builds. Optimised builds keep the
# warnings but not as errors: GCC's flow-based warnings at -O2 give false positives.
if(BORVANTA_WERROR)
    list(APPEND BORVANTA_WARNINGS -Werror)
endif()

add_library(borvanta_options INTERFACE)
if(NOT BORVANTA_SANITIZE AND NOT BORVANTA_TSAN AND NOT BORVANTA_FUZZ)
    # Each function in a section of its own, so that the programs' link leaves out the code
    # they never call (borvanta_program).
    add_compile_options(-ffunction-sections -fdata-sections)
endif()
target_compile_options(borvanta_options INTERFACE ${BORVANTA_WARNINGS})
target_include_directories(borvanta_options INTERFACE ${PROJECT_SOURCE_DIR})

if(BORVANTA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
if(BORVANTA_TSAN)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()
if(BORVANTA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "BORVANTA_FUZZ needs clang")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# borvanta_library(name SOURCES ... [DEPS ...]): one static library per folder.
function(borvanta_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC borvanta_options ${ARG_DEPS})
endfunction()

# borvanta_test(name [THREADED] SOURCES ... [DEPS ...]): one GoogleTest program, registered
# with CTest. THREADED programs also run under ThreadSanitizer (label "threaded", built by the
# target threaded_tests).
function(borvanta_test name)
    cmake_parse_arguments(ARG "THREADED" "" "SOURCES;DEPS" ${ARGN})
    if(NOT BORVANTA_TESTS OR BORVANTA_FUZZ)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE borvanta_options ${ARG_DEPS} GTest::gtest GTest::gmock
                          GTest::gtest_main)
    set(labels unit)
    if(ARG_THREADED)
        set(labels threaded)
        set_property(GLOBAL APPEND PROPERTY BORVANTA_THREADED_TESTS ${name})
    endif()
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "BORVANTA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
                                    LABELS ${labels})
endfunction()

# The target that builds every THREADED test program (for the ThreadSanitizer run).
function(borvanta_threaded_tests_target)
    get_property(programs GLOBAL PROPERTY BORVANTA_THREADED_TESTS)
    add_custom_target(threaded_tests)
    if(programs)
        add_dependencies(threaded_tests ${programs})
    endif()
endfunction()

# borvanta_fuzz(name SOURCES ... [DEPS ...]): a libFuzzer target; in a fuzz build it is also a
# CTest test that runs for a few seconds on its seed corpus.
function(borvanta_fuzz name)
    cmake_parse_arguments(ARG "" "SECONDS" "SOURCES;DEPS" ${ARGN})
    if(NOT BORVANTA_FUZZ)
        return()
    endif()
    if(NOT ARG_SECONDS)
        set(ARG_SECONDS 10)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE borvanta_options ${ARG_DEPS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    file(MAKE_DIRECTORY ${corpus})
    set(seeds)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
        set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
    endif()
    add_test(NAME ${name}
             COMMAND ${name} -max_total_time=${ARG_SECONDS} -rss_limit_mb=2048 -timeout=10
                     ${corpus} ${seeds})
endfunction()

# borvanta_benchmark(name SOURCES ... [DEPS ...]): a Google Benchmark program (not a test).
function(borvanta_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    if(NOT BORVANTA_BENCH OR BORVANTA_FUZZ)
        return()
    endif()
    find_package(benchmark REQUIRED)
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE borvanta_options ${ARG_DEPS} benchmark::benchmark
                          benchmark::benchmark_main)
endfunction()

# borvanta_program(name): settings of the delivered programs. Optimised builds link the C++
# runtime into the program: only the parts it uses are loaded, and the dynamic linker has no
# C++ library to map and resolve symbols in at every start (the programs' start-up cost and
# memory are measured by tests/bench). Checked builds keep the shared runtime the sanitizers
# expect.
function(borvanta_program name)
    if(NOT BORVANTA_SANITIZE AND NOT BORVANTA_TSAN AND NOT BORVANTA_FUZZ)
        target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc -Wl,--gc-sections
                            -Wl,-z,pack-relative-relocs)
    endif()
endfunction()

# A build checked by AddressSanitizer (with its leak checker) and UndefinedBehaviorSanitizer.
# Every library, program and test is instrumented, so zr7e-cli and batch_child, which tests
# start as child processes, report too. Undefined behaviour stops the process like a memory
# fault does, so that any report fails the test that caused it.
option(ZR7_SANITIZE "Build with the address and undefined-behaviour sanitizers" OFF)

# The options the tests run with (see zr7_add_test); empty in an ordinary build.
set(ZR7_SANITIZER_ENVIRONMENT)

if(ZR7_SANITIZE)
    if(ZR7_FUZZ)
        message(FATAL_ERROR "ZR7_SANITIZE and ZR7_FUZZ are separate builds: choose one")
    endif()
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)

    # A process that the sanitizers stop exits with 86, a status the program never uses, so a
    # test that checks a child's status (0, 1, 2 or 130) also fails on the child's report.
    set(ZR7_SANITIZER_EXIT_CODE 86)
    set(asan detect_leaks=1 halt_on_error=1 exitcode=${ZR7_SANITIZER_EXIT_CODE}
             check_initialization_order=1 strict_init_order=1 detect_stack_use_after_return=1)
    list(JOIN asan : asan)
    set(ZR7_SANITIZER_ENVIRONMENT
        "ASAN_OPTIONS=${asan}"
        "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=${ZR7_SANITIZER_EXIT_CODE}"
        "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
endif()

# The test "sanitize" of an ordinary build: configures, builds and runs this suite as a
# ZR7_SANITIZE build in its own folder. About half an hour on two cores, nearly all of it the
# build. The 4 GiB test and the fuzzers (sanitized builds of their own) are left out.
function(zr7_add_sanitize_test)
    if(ZR7_SANITIZE OR ZR7_FUZZ)
        return()
    endif()
    include(ProcessorCount)
    ProcessorCount(jobs)
    set(folder ${CMAKE_BINARY_DIR}/sanitize)
    add_test(NAME sanitize COMMAND sh -c
        "\"$0\" -S \"$1\" -B \"$2\" -G \"$3\" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=\"$4\" -DZR7_SANITIZE=ON \
         && \"$0\" --build \"$2\" \
         && cd \"$2\" && \"$5\" --output-on-failure -j $6 -LE 'large|fuzz|sanitize'"
        ${CMAKE_COMMAND} ${CMAKE_SOURCE_DIR} ${folder} ${CMAKE_GENERATOR} ${CMAKE_CXX_COMPILER}
        ${CMAKE_CTEST_COMMAND} ${jobs})
    set_tests_properties(sanitize PROPERTIES LABELS sanitize TIMEOUT 3600)
endfunction()

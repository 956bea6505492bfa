# Shared build rules: warnings, sanitizers, and the helpers every folder uses for its
# libraries and tests.

set(KESTREL_SANITIZE "" CACHE STRING "Sanitizers to build with: empty, 'address,undefined' or 'thread'")

if(KESTREL_SANITIZE)
    add_compile_options(-fsanitize=${KESTREL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=${KESTREL_SANITIZE})
endif()

# Warnings on and fatal for every target of ours (not for GoogleTest built from source).
function(kestrel_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /WX)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                                 -Wcast-align -Wunused -Woverloaded-virtual -Werror)
        if(KESTREL_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
            # The sanitizers' instrumentation makes g++ 12 see uninitialised members inside the
            # standard library (<regex>, std::function) that are not there.
            target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
        endif()
    endif()
endfunction()

# kestrel_library(name SOURCES ... [LIBS ...]) : a static library of one folder.
function(kestrel_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PUBLIC_LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} PUBLIC ${ARG_PUBLIC_LIBS})
    kestrel_warnings(${name})
endfunction()

# Test binaries whose code runs on several threads, besides those that say LABELS threads
# themselves; the ThreadSanitizer stage builds and runs everything labelled "threads".
set(KESTREL_THREADED_TESTS
    sys_test ui_window_test sim_keyboard_test hid_transport_test hid_sim_test
    device_channels_test device_sim_test update_engine_test support_log_test e2e_update_test)

# kestrel_test(name SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s]) : one GoogleTest binary, one CTest entry.
# Under a cross build CMake runs it through CMAKE_CROSSCOMPILING_EMULATOR (wine).
function(kestrel_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    kestrel_warnings(${name})
    # How much slower than a plain build the instrumented code runs; tests stretch the bounds
    # they put on a child process by it, so a slow build is not mistaken for a hang.
    set(slowdown 1)
    if(KESTREL_SANITIZE MATCHES "thread")
        set(slowdown 8)
    elseif(KESTREL_SANITIZE)
        set(slowdown 3)
    endif()
    target_compile_definitions(${name} PRIVATE KESTREL_TEST_SLOWDOWN=${slowdown})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    math(EXPR ARG_TIMEOUT "${ARG_TIMEOUT} * ${slowdown}")
    if(name IN_LIST KESTREL_THREADED_TESTS)
        list(APPEND ARG_LABELS threads)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()

# Adds a folder only once someone has put a CMakeLists.txt into it.
function(kestrel_subdirectory dir)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
        add_subdirectory(${dir})
    endif()
endfunction()

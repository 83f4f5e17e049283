# Shared settings for every target of the project.

set(RUVU_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)

# Applies the project's warning set (errors under CI) and, when asked for, the sanitizers.
function(ruvu_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
    if(RUVU_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# ruvu_check_includes(FOLDERS folder... FILES file...): configuring fails when one of the files includes
# a header of the tree from outside the folders named ("zipformat", "sfx"): sources the stub compiles
# must need nothing of the host layer.
function(ruvu_check_includes)
    cmake_parse_arguments(C "" "" "FOLDERS;FILES" ${ARGN})
    list(JOIN C_FOLDERS "|" folders)
    foreach(file ${C_FILES})
        file(STRINGS ${file} includes REGEX "^#include \"")
        list(FILTER includes EXCLUDE REGEX "^#include \"(${folders})/")
        if(includes)
            message(FATAL_ERROR "${file} must include only headers of ${C_FOLDERS}: ${includes}")
        endif()
    endforeach()
endfunction()

if(RUVU_SANITIZE)
    add_compile_options(${RUVU_SANITIZER_FLAGS})
    add_link_options(${RUVU_SANITIZER_FLAGS})
endif()

if(RUVU_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "RUVU_FUZZ needs clang (use the fuzz preset)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
    add_custom_target(fuzzers)
endif()

# ruvu_add_fuzzer(NAME SOURCES... LIBS ...): a libFuzzer program, built only with RUVU_FUZZ and
# gathered under the `fuzzers` target; scripts/fuzz runs every one of them.
function(ruvu_add_fuzzer name)
    if(NOT RUVU_FUZZ)
        return()
    endif()
    cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzzers ${name})
endfunction()

# ruvu_add_gtest(NAME SOURCES... LIBS ... LABELS ...): a GoogleTest suite registered with CTest.
function(ruvu_add_gtest name)
    if(NOT RUVU_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    find_package(GTest REQUIRED)
    add_executable(${name} ${T_SOURCES})
    ruvu_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}")
endfunction()

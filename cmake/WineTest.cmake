# add_wine_test(<target> [LANGUAGES zh en] [LANGUAGE_CASES filter] [TIMEOUT s] [SHARDS n]
#               [SHIPPING] [ARGS ...])
# Registers a GoogleTest program; with LANGUAGES it runs once per system language,
# since Wine takes the language from the locale when it starts. With LANGUAGE_CASES (a
# GoogleTest filter) only those cases run in the languages after the first: the rest
# checks nothing that depends on the language. With SHARDS each run is
# split into n runs (<name>.1 ...) of every n-th case, which CTest can run side by side.
# SHIPPING makes the program test setup.exe as it ships: the release preset's 32-bit
# setup.exe, with the 32-bit fakeprog.exe of that tree playing its installers
# (TEST_SHIPPING_BIN names their folder), under a Wine that runs 32-bit programs. The
# program is built knowing that file (TESTS_SHIPPING_SETUP, tests/support/ShippingFile.h),
# so that it fails when the setup.exe it starts is any other.
# Every run has a Wine prefix of its own, made from the tree's prefix when it first runs:
# runs of setup.exe do not queue for its single-instance mutex, and no run sees another's
# registry keys, files, drive letters or windows.
function(add_wine_test target)
    cmake_parse_arguments(WT "SHIPPING" "TIMEOUT;SHARDS;LANGUAGE_CASES" "LANGUAGES;ARGS" ${ARGN})
    if(NOT WT_TIMEOUT)
        set(WT_TIMEOUT 300)
    endif()
    if(NOT WT_LANGUAGES)
        set(WT_LANGUAGES en)
        set(single TRUE)
    endif()
    if(WT_SHIPPING)
        target_compile_definitions(${target} PRIVATE
            TESTS_SHIPPING_SETUP="Z:${SHIPPING_BIN_DIR}/setup.exe")
    endif()
    list(GET WT_LANGUAGES 0 first)
    foreach(lang ${WT_LANGUAGES})
        set(args ${WT_ARGS})
        set(shards ${WT_SHARDS})
        if(WT_LANGUAGE_CASES AND NOT lang STREQUAL first)
            list(APPEND args --gtest_filter=${WT_LANGUAGE_CASES})
            set(shards)
        endif()
        if(lang STREQUAL "zh")
            set(locale zh_CN.UTF-8)
        else()
            set(locale en_US.UTF-8)
        endif()
        if(single)
            set(name ${target})
        else()
            set(name ${target}.${lang})
        endif()
        if(shards)
            math(EXPR last "${shards} - 1")
            foreach(shard RANGE ${last})
                math(EXPR number "${shard} + 1")
                wine_test_run(${name}.${number}
                    "GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${shard}")
            endforeach()
        else()
            wine_test_run(${name} "")
        endif()
    endforeach()
endfunction()

# One run of add_wine_test; target, args, locale, lang and WT_* come from the caller.
function(wine_test_run name environment)
    add_test(NAME ${name} COMMAND ${target} ${args}
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    # Each run leaves a GoogleTest report, which the test command counts cases from.
    set(report "xml:Z:${CMAKE_BINARY_DIR}/test-results/${name}.xml")
    list(APPEND environment "LC_ALL=${locale}" "TEST_LANGUAGE=${lang}" "GTEST_OUTPUT=${report}"
        "WINE_RUN_PREFIX=${CMAKE_BINARY_DIR}/prefixes/${name}")
    if(WT_SHIPPING)
        string(REPLACE "/" "\\" shipping "Z:${SHIPPING_BIN_DIR}")
        list(APPEND environment "WINE_RUN_32BIT=1" "TEST_SHIPPING_BIN=${shipping}")
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${WT_TIMEOUT} ENVIRONMENT "${environment}")
endfunction()

# add_wine_test(<target> [LANGUAGES zh en] [TIMEOUT s] [ARGS ...])
# Registers a GoogleTest program; with LANGUAGES it runs once per system language,
# since Wine takes the language from the locale when it starts.
# Every run has a Wine prefix of its own, made from the tree's prefix when it first runs:
# runs of setup.exe do not queue for its single-instance mutex, and no run sees another's
# registry keys, files, drive letters or windows.
function(add_wine_test target)
    cmake_parse_arguments(WT "" "TIMEOUT" "LANGUAGES;ARGS" ${ARGN})
    if(NOT WT_TIMEOUT)
        set(WT_TIMEOUT 300)
    endif()
    if(NOT WT_LANGUAGES)
        set(WT_LANGUAGES en)
        set(single TRUE)
    endif()
    foreach(lang ${WT_LANGUAGES})
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
        add_test(NAME ${name} COMMAND ${target} ${WT_ARGS}
            WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
        # Each run leaves a GoogleTest report, which the test command counts cases from.
        set(report "xml:Z:${CMAKE_BINARY_DIR}/test-results/${name}.xml")
        set_tests_properties(${name} PROPERTIES TIMEOUT ${WT_TIMEOUT}
            ENVIRONMENT "LC_ALL=${locale};TEST_LANGUAGE=${lang};GTEST_OUTPUT=${report};WINE_RUN_PREFIX=${CMAKE_BINARY_DIR}/prefixes/${name}")
    endforeach()
endfunction()

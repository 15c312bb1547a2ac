# Writes a CD folder as an ISO 9660 image with Joliet and Rock Ridge names, the way the
# card's CD-ROM volume carries it.
#
#   cmake -DCD_DIR=<folder> -DISO=<image> -DAUTORUN=<autorun.inf> [-DVOLUME=NORVANE]
#         [-DXORRISO=xorriso] -P MakeIso.cmake
#
# A folder without an autorun.inf gets AUTORUN at its root, in the image only: the folder
# itself is not changed (it is copied to <image>.stage first).

foreach(var CD_DIR ISO AUTORUN)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "MakeIso: ${var} is not set")
    endif()
endforeach()
if(NOT VOLUME)
    set(VOLUME NORVANE)
endif()
if(NOT XORRISO)
    set(XORRISO xorriso)
endif()
get_filename_component(CD_DIR "${CD_DIR}" ABSOLUTE)
get_filename_component(ISO "${ISO}" ABSOLUTE)
if(NOT IS_DIRECTORY "${CD_DIR}")
    message(FATAL_ERROR "MakeIso: ${CD_DIR} is not a folder")
endif()

# Windows sees names without regard to case, so any spelling of the name counts.
file(GLOB entries RELATIVE "${CD_DIR}" "${CD_DIR}/*")
set(has_autorun FALSE)
set(has_setup FALSE)
foreach(entry ${entries})
    string(TOLOWER "${entry}" lower)
    if(lower STREQUAL "autorun.inf")
        set(has_autorun TRUE)
    elseif(lower STREQUAL "setup.exe")
        set(has_setup TRUE)
    endif()
endforeach()
if(NOT has_setup)
    message(WARNING "MakeIso: ${CD_DIR} has no setup.exe; autorun will find nothing to start")
endif()

set(source "${CD_DIR}")
set(stage "${ISO}.stage")
file(REMOVE_RECURSE "${stage}")
if(NOT has_autorun)
    file(COPY "${CD_DIR}/" DESTINATION "${stage}")
    file(COPY "${AUTORUN}" DESTINATION "${stage}")
    get_filename_component(autorun_name "${AUTORUN}" NAME)
    if(NOT autorun_name STREQUAL "autorun.inf")
        file(RENAME "${stage}/${autorun_name}" "${stage}/autorun.inf")
    endif()
    set(source "${stage}")
endif()

file(REMOVE "${ISO}")
execute_process(
    COMMAND "${XORRISO}" -as mkisofs -J -r -V "${VOLUME}" -o "${ISO}" "${source}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
file(REMOVE_RECURSE "${stage}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "MakeIso: xorriso failed (${result}):\n${output}")
endif()
message(STATUS "MakeIso: ${ISO} written from ${CD_DIR}")

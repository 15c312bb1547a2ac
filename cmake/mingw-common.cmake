# Shared part of the MinGW-w64 toolchain files; MINGW_PREFIX names the target.
# The posix thread model gives std::thread and std::mutex, which GoogleTest needs; the
# win32 model leaves the pthreads library out of every program, and the release presets
# take it, since nothing that ships uses the standard library's threads.
set(CMAKE_SYSTEM_NAME Windows)

set(MINGW_THREAD_MODEL posix CACHE STRING "Thread model of the MinGW compilers: posix or win32")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_THREAD_MODEL)
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-${MINGW_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-${MINGW_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_STRIP ${MINGW_PREFIX}-strip)
set(CMAKE_OBJDUMP ${MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

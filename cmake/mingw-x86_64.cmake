# 64-bit Windows: the same sources, for running the tests under a 64-bit Wine on a Linux
# kernel that cannot execute 32-bit programs (and so cannot run a 32-bit Wine).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
set(WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

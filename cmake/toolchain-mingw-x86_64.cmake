# 64-bit Windows: the same code, built to run the tests under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZARN_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

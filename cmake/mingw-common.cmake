# Shared part of the mingw-w64 toolchain files. ZARN_TRIPLET is set by the caller.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# The -posix compilers carry the posix thread model: std::thread and std::mutex
# (and GoogleTest) need it.
set(CMAKE_C_COMPILER ${ZARN_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZARN_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZARN_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZARN_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static C and C++ runtimes: the programs import only Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run through Wine. A plain set() would silently override -D.
if(NOT DEFINED CACHE{CMAKE_CROSSCOMPILING_EMULATOR})
  set(CMAKE_CROSSCOMPILING_EMULATOR wine CACHE FILEPATH "Runs Windows test programs")
endif()

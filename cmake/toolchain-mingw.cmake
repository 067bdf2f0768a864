# What both mingw-w64 cross builds share; the architecture's toolchain file
# sets CMAKE_SYSTEM_PROCESSOR and TARVO_MINGW_HOST and includes this file.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TARVO_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVO_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVO_MINGW_HOST}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVO_MINGW_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest starts every Windows test program through this script.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run")

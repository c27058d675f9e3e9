# Windows programs from Debian's MinGW-w64 cross compiler (g++-mingw-w64-x86-64-posix: the
# POSIX thread model, which std::thread and std::jthread need). Libraries and headers are taken
# from the compiler's own root and from the folder that scripts/windows-deps.sh fills
# (KESTRUM_WINDOWS_DEPS), never from the build machine's /usr/include. Test programs run under
# Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_kestrum_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_kestrum_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_kestrum_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_kestrum_triple}-windres)

if(NOT KESTRUM_WINDOWS_DEPS)
    get_filename_component(KESTRUM_WINDOWS_DEPS "${CMAKE_CURRENT_LIST_DIR}/../build-windows-deps"
                           ABSOLUTE)
endif()
set(KESTRUM_WINDOWS_DEPS "${KESTRUM_WINDOWS_DEPS}" CACHE PATH
    "The Windows libraries and headers that scripts/windows-deps.sh prepares")

set(CMAKE_FIND_ROOT_PATH /usr/${_kestrum_triple} "${KESTRUM_WINDOWS_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees only the prepared folder's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "${KESTRUM_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Tests and the programs a build step runs go through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

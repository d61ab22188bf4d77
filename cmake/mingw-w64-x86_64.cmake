# Cross-compiles for 64-bit Windows with Debian's mingw-w64:
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
# The POSIX thread model: the saver reads the next model on a std::thread,
# which the win32 model of Debian's GCC 12 lacks. winpthread is linked in with
# the other runtimes, so the programs still need only the system's DLLs.
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

# Headers and libraries come from the cross sysroot only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs people install run on their own: the C and C++ runtimes linked
# in, so they need only the system's DLLs; symbols stripped, so what ships is
# small; no link time in the PE header (0 instead), so that the same source
# always links to the same bytes (the loader does not read the field).
set(KVSS_WINDOWS_PROGRAM_LINK_OPTIONS -static -static-libgcc -static-libstdc++ -s -Wl,--no-insert-timestamp)

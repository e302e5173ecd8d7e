# Cross-builds the Windows modules and tools with Debian's MinGW-w64 for
# 64-bit Windows. The posix thread model gives the C++ runtime std::thread and
# std::mutex; the runtime itself is linked statically (see
# QuillshadeDependencies.cmake), so the modules import no MinGW DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QS_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${QS_MINGW_TRIPLE}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${QS_MINGW_TRIPLE}-ranlib CACHE FILEPATH "Archive indexer")

# Libraries and headers come from the MinGW sysroot and the prefix of static
# Windows libraries that scripts/windows-deps builds (QS_WINDOWS_PREFIX,
# build-windows-deps/prefix by default);
# programs run on the build machine.
if(NOT QS_WINDOWS_PREFIX)
    get_filename_component(QS_WINDOWS_PREFIX ${CMAKE_CURRENT_LIST_DIR}/../build-windows-deps/prefix ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${QS_MINGW_TRIPLE} ${QS_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

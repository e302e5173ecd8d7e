# Every dependency comes from a Debian package installed by scripts/setup; the
# Windows cross-build takes the static libraries that scripts/windows-deps
# builds from the same packages' sources.
#
# QS_PLATFORM_LIBRARIES is what every engine part links: OpenGL, GLEW, libzip
# and the system libraries behind the platform layer.
if(WIN32)
    # The module runs inside the host: it must not need MinGW's runtime DLLs,
    # which the user does not have.
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(UNICODE _UNICODE GLEW_STATIC)

    # The static zlib first, so that nothing links the import library of zlib1.dll.
    find_library(QS_ZLIB_STATIC libz.a REQUIRED)
    find_path(QS_ZLIB_INCLUDE_DIR zlib.h REQUIRED)
    add_library(ZLIB::ZLIB STATIC IMPORTED)
    set_target_properties(ZLIB::ZLIB PROPERTIES IMPORTED_LOCATION ${QS_ZLIB_STATIC}
        INTERFACE_INCLUDE_DIRECTORIES ${QS_ZLIB_INCLUDE_DIR})
    set(ZLIB_FOUND TRUE)
    find_package(libzip CONFIG REQUIRED)
    find_library(QS_GLEW_STATIC libglew32.a REQUIRED)
    find_path(QS_GLEW_INCLUDE_DIR GL/glew.h REQUIRED)
    add_library(GLEW::GLEW STATIC IMPORTED)
    set_target_properties(GLEW::GLEW PROPERTIES IMPORTED_LOCATION ${QS_GLEW_STATIC}
        INTERFACE_INCLUDE_DIRECTORIES ${QS_GLEW_INCLUDE_DIR})
    find_library(QS_PNG_STATIC libpng16.a REQUIRED)
    find_path(QS_PNG_INCLUDE_DIR png.h REQUIRED)
    add_library(qs_png INTERFACE)
    target_include_directories(qs_png SYSTEM INTERFACE ${QS_PNG_INCLUDE_DIR})
    target_link_libraries(qs_png INTERFACE ${QS_PNG_STATIC} ZLIB::ZLIB)
    set(QS_PLATFORM_LIBRARIES GLEW::GLEW libzip::zip ZLIB::ZLIB opengl32 gdi32 user32 shlwapi)
    # Header-only libraries installed for the build machine. Their folders are
    # outside the find root, and /usr/include itself must not reach a Windows
    # compiler, so CLI11 is reached through a folder of its own.
    set(qs_host_headers NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH PATHS /usr/include)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/cli11)
    file(CREATE_LINK /usr/include/CLI ${CMAKE_BINARY_DIR}/cli11/CLI SYMBOLIC)
    set(CLI11_INCLUDE_DIR ${CMAKE_BINARY_DIR}/cli11)
else()
    find_package(PkgConfig REQUIRED)
    find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL)
    find_package(GLEW REQUIRED)
    find_package(Threads REQUIRED)
    find_package(GTest REQUIRED)
    pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
    pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
    pkg_check_modules(OPENEXR REQUIRED IMPORTED_TARGET OpenEXR)
    add_library(qs_png INTERFACE)
    target_link_libraries(qs_png INTERFACE PkgConfig::LIBPNG)
    set(QS_PLATFORM_LIBRARIES OpenGL::OpenGL OpenGL::EGL GLEW::GLEW PkgConfig::LIBZIP
        Threads::Threads ${CMAKE_DL_LIBS})
    find_path(CLI11_INCLUDE_DIR CLI/CLI.hpp REQUIRED)
    pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
    set(qs_host_headers)
endif()
find_path(RAPIDXML_INCLUDE_DIR rapidxml.hpp PATH_SUFFIXES rapidxml ${qs_host_headers} REQUIRED)
find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb ${qs_host_headers} REQUIRED)
include(Duktape)

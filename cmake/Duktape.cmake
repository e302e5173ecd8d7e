# Builds the script engine from the amalgamated source that the duktape-dev
# package installs, with our own settings. The configuration header is the
# shipped one with our overrides spliced in at its override marker, written to
# the build tree next to copies of duktape.h and the source, so that every
# "duk_config.h" include (the engine's own and ours) finds the generated one
# before the shipped header in /usr/include.
#
# Our settings:
# - C++ exceptions instead of setjmp/longjmp: the source is compiled as C++,
#   and an engine error raised inside a native function (for example by a
#   user's valueOf during an argument conversion) unwinds the native's frames
#   with their destructors instead of jumping over them.
# - The interrupt counter with the execution time-out check, which asks
#   qsScriptTimedOut (HeapGuard.cpp) whether the running evaluation has
#   outlived its bound; the engine then throws a RangeError that no script
#   catch block can hold. DuktapeTimeLimits.cmake writes the source with the
#   changes that leave no way around the check.
# - Hidden visibility for the engine's API, so that no duk_* symbol leaves the
#   module.
#
# Every object that includes duktape.h must see this configuration: one built
# against the shipped header would disagree with the engine about how errors
# unwind. The generated header keeps its contents under a guard of its own, and
# every target is compiled with the shipped header's guard already defined, so
# the shipped header is empty: an object that reaches it fails to compile
# (duk_config.h defines nothing) instead of silently mixing configurations.

if(TARGET qs_duktape)
    return()
endif()

# The source is a build-machine file, outside a cross-build's find root.
find_path(DUKTAPE_SOURCE_DIR duktape.c PATHS /usr/share/duktape NO_DEFAULT_PATH
    NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(QS_DUKTAPE_DIR ${CMAKE_BINARY_DIR}/duktape)

set(QS_DUKTAPE_OVERRIDES [=[
#define DUK_USE_CPP_EXCEPTIONS
#define DUK_USE_INTERRUPT_COUNTER
duk_bool_t qsScriptTimedOut(void *udata);
duk_bool_t qsScriptCollectionStarts(void *udata);
void qsScriptCollectionEnds(void *udata);
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) qsScriptTimedOut((udata))
#undef DUK_EXTERNAL_DECL
#define DUK_EXTERNAL_DECL extern
#undef DUK_EXTERNAL
#define DUK_EXTERNAL
]=])

file(READ ${DUKTAPE_SOURCE_DIR}/duk_config.h duk_config)
set(duk_marker "/* __OVERRIDE_DEFINES__ */")
string(FIND "${duk_config}" "${duk_marker}" duk_marker_at)
if(duk_marker_at EQUAL -1)
    message(FATAL_ERROR "${DUKTAPE_SOURCE_DIR}/duk_config.h has no override marker")
endif()
string(REPLACE "${duk_marker}" "${QS_DUKTAPE_OVERRIDES}" duk_config "${duk_config}")
string(REPLACE "DUK_CONFIG_H_INCLUDED" "QS_DUK_CONFIG_H_INCLUDED" duk_config "${duk_config}")
add_compile_definitions(DUK_CONFIG_H_INCLUDED)
file(WRITE ${QS_DUKTAPE_DIR}/duk_config.h.new "${duk_config}")
# Copies only touch their output when the content changed, so that a
# reconfigure does not rebuild the engine.
configure_file(${QS_DUKTAPE_DIR}/duk_config.h.new ${QS_DUKTAPE_DIR}/duk_config.h COPYONLY)
configure_file(${DUKTAPE_SOURCE_DIR}/duktape.h ${QS_DUKTAPE_DIR}/duktape.h COPYONLY)
include(DuktapeTimeLimits)

add_library(qs_duktape STATIC ${QS_DUKTAPE_DIR}/duktape.cpp)
target_include_directories(qs_duktape SYSTEM PUBLIC ${QS_DUKTAPE_DIR})
# Third-party code: its warnings are not ours to fix, so this one target
# builds without them (and so without -Werror tripping).
target_compile_options(qs_duktape PRIVATE -w)
set_target_properties(qs_duktape PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(qs_duktape PUBLIC m)

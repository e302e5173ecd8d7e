# Writes ${OUTPUT}, a header naming the revision of the source tree the build
# is made from (git's short hash, "-dirty" when files differ from it, or
# "unknown" outside a git checkout), so that every binary can say which source
# it is. Run at every build, in script mode; the file is only rewritten when
# the revision changed, so an unchanged tree rebuilds nothing.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -P SourceRevision.cmake
execute_process(COMMAND git -C ${SOURCE_DIR} describe --always --dirty --abbrev=12
    OUTPUT_VARIABLE revision RESULT_VARIABLE failed
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(failed OR revision STREQUAL "")
    set(revision unknown)
endif()
set(text "#pragma once\n#define QS_SOURCE_REVISION \"${revision}\"\n")
if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} previous)
    if(previous STREQUAL text)
        return()
    endif()
endif()
file(WRITE ${OUTPUT} "${text}")

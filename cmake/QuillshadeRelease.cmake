# What a release build adds to the modules and the tool:
#
# - On Windows, the version resource that Explorer shows in a file's
#   properties: product name, version, the engine's version and the source
#   revision (quillshade_version_resource).
# - With QS_SEPARATE_DEBUG_INFO, each module and tool stripped of its debug
#   information, which goes to <file>.debug beside it, linked by
#   .gnu_debuglink, so that a customer's crash report can still be read
#   (quillshade_separate_debug_info). scripts/release turns it on; the build
#   for development keeps the debug information in the binaries.
option(QS_SEPARATE_DEBUG_INFO
    "Strip the modules and the tool, keeping their debug information in <file>.debug beside each"
    OFF)

set(QS_VERSION_RESOURCE_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionInfo.rc.in)
# SourceRevision.cmake writes it; the target qs_source_revision runs it.
set(QS_SOURCE_REVISION_HEADER ${PROJECT_BINARY_DIR}/generated/SourceRevision.h)

# quillshade_version_resource(TARGET PRODUCT name DESCRIPTION text
#                             [VERSION major.minor.build] [STAGE text])
# Adds the version resource to a Windows module or program; VERSION is the
# project's by default. Does nothing elsewhere.
function(quillshade_version_resource target)
    if(NOT WIN32)
        return()
    endif()
    cmake_parse_arguments(ARG "" "PRODUCT;DESCRIPTION;VERSION;STAGE" "" ${ARGN})
    if(NOT ARG_VERSION)
        set(ARG_VERSION ${PROJECT_VERSION})
    endif()
    string(REPLACE "." "," QS_RC_VERSION_COMMAS "${ARG_VERSION},0")
    set(QS_RC_VERSION_TEXT ${ARG_VERSION})
    if(ARG_STAGE)
        string(APPEND QS_RC_VERSION_TEXT " ${ARG_STAGE}")
    endif()
    set(QS_RC_PRODUCT ${ARG_PRODUCT})
    set(QS_RC_DESCRIPTION ${ARG_DESCRIPTION})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        set(QS_RC_FILE_TYPE 1)
    else()
        set(QS_RC_FILE_TYPE 2)
    endif()
    # The file's name is known at generation time only.
    set(QS_RC_FILE_NAME "$<TARGET_FILE_NAME:${target}>")
    set(folder ${CMAKE_CURRENT_BINARY_DIR}/version)
    configure_file(${QS_VERSION_RESOURCE_TEMPLATE} ${folder}/${target}.rc.in @ONLY)
    file(GENERATE OUTPUT ${folder}/${target}.rc INPUT ${folder}/${target}.rc.in)
    target_sources(${target} PRIVATE ${folder}/${target}.rc)
    get_filename_component(revision_folder ${QS_SOURCE_REVISION_HEADER} DIRECTORY)
    set_source_files_properties(${folder}/${target}.rc PROPERTIES
        INCLUDE_DIRECTORIES ${revision_folder}
        OBJECT_DEPENDS ${QS_SOURCE_REVISION_HEADER})
    add_dependencies(${target} qs_source_revision)
endfunction()

# quillshade_separate_debug_info(TARGET): with QS_SEPARATE_DEBUG_INFO, the
# target's file is stripped after every link and its debug information kept
# in <file>.debug. Call it in the folder that makes the target.
function(quillshade_separate_debug_info target)
    if(NOT QS_SEPARATE_DEBUG_INFO)
        return()
    endif()
    # The debug file keeps the symbol table as well as the debug sections, so
    # the file itself loses both; what a loader needs (the exports, the
    # dynamic symbols) stays.
    set(file $<TARGET_FILE:${target}>)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
        COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${file}.debug ${file}
        COMMENT "Moving the debug information of ${target} into its .debug file"
        VERBATIM)
endfunction()

# quillshade_effect_version(DIR VERSION_OUT STAGE_OUT): the effect's version
# from the version keys of DIR/config.xml, masked to their fields' widths as
# the engine reads them (a missing key is 0), as "major.minor.build" and the
# stage's name. A change to config.xml configures the build again.
function(quillshade_effect_version dir version_out stage_out)
    set(config ${dir}/config.xml)
    set(text "")
    if(EXISTS ${config})
        file(READ ${config} text)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${config})
    endif()
    set(fields)
    foreach(key_mask MAJOR_VERSION:63 MINOR_VERSION:255 BUILD_VERSION:65535 STAGE_VERSION:3)
        string(REPLACE ":" ";" key_mask ${key_mask})
        list(GET key_mask 0 key)
        list(GET key_mask 1 mask)
        set(value 0)
        if(text MATCHES "<${key}>[ \t\r\n]*([0-9]+)")
            # The engine reads at most a 32-bit number; longer digit runs are
            # no version anyone means, so they count as 0 here.
            string(LENGTH "${CMAKE_MATCH_1}" digits)
            if(digits LESS 10)
                math(EXPR value "${CMAKE_MATCH_1} & ${mask}")
            endif()
        endif()
        list(APPEND fields ${value})
    endforeach()
    list(GET fields 0 major)
    list(GET fields 1 minor)
    list(GET fields 2 build)
    list(GET fields 3 stage)
    set(stages develop alpha beta release)
    list(GET stages ${stage} stage_name)
    set(${version_out} ${major}.${minor}.${build} PARENT_SCOPE)
    set(${stage_out} ${stage_name} PARENT_SCOPE)
endfunction()

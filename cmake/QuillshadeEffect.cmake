# quillshade_add_effect(NAME DIR [CATEGORY text] [MATCH_NAME text])
#
# Builds the effect module NAME from the effect folder DIR into <build>/modules.
# On Linux it is the bare engine module with the folder's package and property
# list added as resources, made by `quillshade pack` exactly as an author would
# make it by hand. On Windows the same resources come from `quillshade pack
# --rc`, run by the tool built for the build machine (QS_PACK_TOOL), and are
# linked with the engine into NAME.aex by the resource compiler.
if(WIN32)
    set(QS_PACK_TOOL ${PROJECT_SOURCE_DIR}/build/quillshade CACHE FILEPATH
        "quillshade built for the build machine, which writes the effects' resources")
endif()

function(quillshade_add_effect name dir)
    cmake_parse_arguments(ARG "" "CATEGORY;MATCH_NAME" "" ${ARGN})
    set(options --name ${name})
    if(ARG_CATEGORY)
        list(APPEND options --category ${ARG_CATEGORY})
    endif()
    if(ARG_MATCH_NAME)
        list(APPEND options --match-name ${ARG_MATCH_NAME})
    endif()
    file(GLOB effect_files CONFIGURE_DEPENDS ${dir}/*)
    if(WIN32)
        set(resources ${CMAKE_CURRENT_BINARY_DIR}/effects/${name})
        add_custom_command(
            OUTPUT ${resources}/resources.rc ${resources}/pipl.bin ${resources}/package.bin
            COMMAND ${QS_PACK_TOOL} pack ${dir} --rc ${resources} ${options}
            DEPENDS ${QS_PACK_TOOL} ${effect_files}
            COMMENT "Writing the resources of effect ${name}"
            VERBATIM)
        set_source_files_properties(${resources}/resources.rc PROPERTIES
            INCLUDE_DIRECTORIES ${resources}
            OBJECT_DEPENDS "${resources}/pipl.bin;${resources}/package.bin")
        add_library(${name} SHARED ${PROJECT_SOURCE_DIR}/src/host/ModuleExport.cpp
            ${resources}/resources.rc)
        target_link_libraries(${name} PRIVATE quillshade_engine)
        set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX .aex
            RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/modules)
        return()
    endif()
    set(output ${PROJECT_BINARY_DIR}/modules/${name}${CMAKE_SHARED_MODULE_SUFFIX})
    add_custom_command(OUTPUT ${output}
        COMMAND quillshade pack ${dir} -o ${output} --engine $<TARGET_FILE:quillshade_module> ${options}
        DEPENDS quillshade quillshade_module ${effect_files}
        COMMENT "Packing effect ${name}"
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${output})
endfunction()

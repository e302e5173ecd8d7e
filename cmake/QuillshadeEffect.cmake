# quillshade_add_effect(NAME DIR [CATEGORY text] [MATCH_NAME text])
#
# Builds the effect module NAME from the effect folder DIR: the bare engine
# module with the folder's package and property list added as resources, made
# by `quillshade pack` exactly as an author would make it by hand. The module
# is written to <build>/modules.
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
    set(output ${PROJECT_BINARY_DIR}/modules/${name}${CMAKE_SHARED_MODULE_SUFFIX})
    add_custom_command(OUTPUT ${output}
        COMMAND quillshade pack ${dir} -o ${output} --engine $<TARGET_FILE:quillshade_module> ${options}
        DEPENDS quillshade quillshade_module ${effect_files}
        COMMENT "Packing effect ${name}"
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${output})
endfunction()

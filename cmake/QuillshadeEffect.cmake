# quillshade_add_effect(NAME DIR [CATEGORY text] [MATCH_NAME text])
#
# Builds the effect module NAME from the effect folder DIR into <build>/modules.
# On Linux it is the bare engine module with the folder's package and property
# list added as resources, made by `quillshade pack` exactly as an author would
# make it by hand, and beside it, in <build>/frei0r, the frei0r plugin NAME.so
# (and NAME_mixer.so, a mixer2 plugin, when the effect has a layer parameter).
# On Windows the same resources come from `quillshade pack
# --rc`, run by the tool built for the build machine (QS_PACK_TOOL), and are
# linked with the engine into NAME.aex by the resource compiler, with a version
# resource made from the version keys of the folder's config.xml.
#
# With QS_SEPARATE_DEBUG_INFO (QuillshadeRelease.cmake) each module is
# stripped and its debug information kept in NAME.aex.debug or NAME.so.debug
# beside it. A Linux module is the engine image with the resources after it,
# which objcopy would not keep, so there the engine is stripped before
# packing, with a link to the module's own debug file.
#
# Every effect is listed in <build>/effects.list, one "NAME|DIR" a line, for
# scripts/release. QS_EFFECT_FOLDERS names more effect folders (a vendor's),
# each built as a module named after its folder, in QS_EFFECT_CATEGORY.
set(QS_EFFECT_FOLDERS "" CACHE STRING "More effect folders to build modules of (scripts/release --effects)")
set(QS_EFFECT_CATEGORY "Quillshade" CACHE STRING "Category of the effects of QS_EFFECT_FOLDERS")
set(QS_EFFECT_LIST ${PROJECT_BINARY_DIR}/effects.list)
file(WRITE ${QS_EFFECT_LIST} "")

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
    file(APPEND ${QS_EFFECT_LIST} "${name}|${dir}\n")
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
        quillshade_effect_version(${dir} version stage)
        quillshade_version_resource(${name} PRODUCT ${name} DESCRIPTION "${name} effect"
            VERSION ${version} STAGE ${stage})
        quillshade_separate_debug_info(${name})
        return()
    endif()
    set(output ${PROJECT_BINARY_DIR}/modules/${name}${CMAKE_SHARED_MODULE_SUFFIX})
    set(engine $<TARGET_FILE:quillshade_module>)
    set(split)
    if(QS_SEPARATE_DEBUG_INFO)
        # The engine module's own debug file holds this module's debug
        # information too: the module is that image with resources added.
        set(engine ${CMAKE_CURRENT_BINARY_DIR}/effects/${name}/engine${CMAKE_SHARED_MODULE_SUFFIX})
        set(split
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/effects/${name}
            COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:quillshade_module>.debug ${output}.debug
            COMMAND ${CMAKE_OBJCOPY} --remove-section=.gnu_debuglink
                $<TARGET_FILE:quillshade_module> ${engine}
            COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${output}.debug ${engine})
    endif()
    add_custom_command(OUTPUT ${output}
        ${split}
        COMMAND quillshade pack ${dir} -o ${output} --engine ${engine} ${options}
        DEPENDS quillshade quillshade_module ${effect_files}
        COMMENT "Packing effect ${name}"
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${output})
    if(TARGET qs_frei0r_adapter)
        quillshade_add_frei0r_plugin(${name} ${name} ${dir} ${output} OFF "${options}")
        # The script declares a layer parameter by its kind, QS_Type.LAYER or
        # "LAYER"; the plugin's description, written from the module, fails
        # the build when the module has none after all.
        file(READ ${dir}/fx.js script)
        if(script MATCHES "(QS_Type\\.LAYER|[\"']LAYER[\"'])")
            quillshade_add_frei0r_plugin(${name}_mixer ${name} ${dir} ${output} ON "${options}")
        endif()
    endif()
endfunction()

# quillshade_add_frei0r_plugin(PLUGIN NAME DIR MODULE MIXER OPTIONS [FOLDER])
#
# The frei0r plugin PLUGIN of effect NAME (module MODULE from folder DIR, packed
# with the pack OPTIONS), into FOLDER (default <build>/frei0r): the adapter
# with the effect's description (its parameters, listed by the tool from the
# module) linked into an image, to which `quillshade pack` appends the
# effect's package and property list, as it does to the engine module. MIXER
# ON makes a mixer2 plugin, whose second input is the effect's layer.
function(quillshade_add_frei0r_plugin plugin name dir module mixer options)
    set(folder ${PROJECT_BINARY_DIR}/frei0r)
    if(ARGC GREATER 6)
        set(folder ${ARGV6})
    endif()
    set(work ${PROJECT_BINARY_DIR}/frei0r-build/${plugin})
    set(description ${work}/PluginDescription.cpp)
    add_custom_command(OUTPUT ${description}
        COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:quillshade> -DMODULE=${module}
            -DOUTPUT=${description} -DMIXER=${mixer} -P ${QS_FREI0R_DESCRIPTION_SCRIPT}
        DEPENDS quillshade ${name} ${module} ${QS_FREI0R_DESCRIPTION_SCRIPT}
        COMMENT "Describing frei0r plugin ${plugin}"
        VERBATIM)
    add_library(${plugin}_frei0r_image MODULE ${description})
    target_link_libraries(${plugin}_frei0r_image PRIVATE qs_frei0r_adapter)
    set_target_properties(${plugin}_frei0r_image PROPERTIES OUTPUT_NAME ${plugin} PREFIX ""
        LIBRARY_OUTPUT_DIRECTORY ${work})
    set(plugin_file ${folder}/${plugin}${CMAKE_SHARED_MODULE_SUFFIX})
    file(GLOB effect_files CONFIGURE_DEPENDS ${dir}/*)
    add_custom_command(OUTPUT ${plugin_file}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND quillshade pack ${dir} -o ${plugin_file}
            --engine $<TARGET_FILE:${plugin}_frei0r_image> ${options}
        DEPENDS quillshade ${plugin}_frei0r_image ${effect_files}
        COMMENT "Packing frei0r plugin ${plugin}"
        VERBATIM)
    add_custom_target(${plugin}_frei0r ALL DEPENDS ${plugin_file})
endfunction()

# Called once the project's own effects are added: the modules of
# QS_EFFECT_FOLDERS.
function(quillshade_add_effect_folders)
    foreach(dir ${QS_EFFECT_FOLDERS})
        get_filename_component(dir ${dir} ABSOLUTE)
        get_filename_component(name ${dir} NAME)
        if(TARGET ${name})
            message(FATAL_ERROR "effect folder ${dir}: the name ${name} is taken; rename the folder")
        endif()
        quillshade_add_effect(${name} ${dir} CATEGORY ${QS_EFFECT_CATEGORY})
    endforeach()
endfunction()

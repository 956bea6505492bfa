# Embeds files into a target as resources that ui::FindResource finds by type and numeric id.
#
#   kestrel_embed_resources(<target> TABLE <type> <id> <file> [<type> <id> <file> ...])
#
# <target> is an executable or an OBJECT library (kestrel_resources is one, so that its table always
# reaches the link). Relative files are taken from the calling folder. A file that does not exist
# yet is skipped with a message, and its folder becomes a configure dependency so that the table is
# made again once the file appears; an embedded file that is removed makes it again as well.
#
# The bytes go in through the assembler's .incbin (top-level asm in one generated C++ file), which
# is fast for large pictures and needs no generated C arrays; the same file defines the table.
#
# Windows: the same table becomes a resource script (<target>_resources.rc) compiled by windres, and
# ui::FindResource answers from the executable's own resources. Named types are written in lower
# case, which the resource compiler stores in upper case (as the lookup expects) and which never
# collides with one of its keywords. An ICON row becomes a real icon resource: a .ico file is taken
# as it is, any other picture (the icon PNG) is converted at build time with ImageMagick's
# `convert` when it is installed, and skipped with a message when not.
#   RC_TEMPLATE <file>  (Windows only) a script template in which @KESTREL_RC_RESOURCES@ stands for
#                       the table's lines, for scripts that carry more (version block, manifest);
#                       @KESTREL_RC_TEMPLATE_DIR@ is the template's folder.
#   RC_DEPENDS <file>.. (Windows only) files the template names, so that a change rebuilds it.
# Executables get the script through an OBJECT library of its own (<target>_rc), so that the C++
# warning options of the executable never reach windres; an OBJECT library target takes the script
# directly (its objects must reach the link), so it must not carry C++-only compile options.

# The resource compiler is enabled in every folder that uses this file (enable_language works per
# folder), hence before the include guard.
if(WIN32)
    enable_language(RC)
endif()
include_guard(GLOBAL)

function(kestrel_embed_resources target)
    cmake_parse_arguments(ARG "" "RC_TEMPLATE" "TABLE;RC_DEPENDS" ${ARGN})
    list(LENGTH ARG_TABLE count)
    math(EXPR rest "${count} % 3")
    if(NOT rest EQUAL 0)
        message(FATAL_ERROR "kestrel_embed_resources(${target}): TABLE needs rows of type, id and file")
    endif()
    string(MAKE_C_IDENTIFIER "${target}" prefix)
    set(prefix "kestrel_res_${prefix}")

    set(blobs "")
    set(externs "")
    set(rows "")
    set(depends "")
    set(embedded 0)
    set(skipped "")
    set(rc_rows "")
    set(generated "")
    set(index 0)
    while(index LESS count)
        list(GET ARG_TABLE ${index} type)
        math(EXPR index "${index} + 1")
        list(GET ARG_TABLE ${index} id)
        math(EXPR index "${index} + 1")
        list(GET ARG_TABLE ${index} file)
        math(EXPR index "${index} + 1")

        if(NOT type MATCHES "^[A-Za-z0-9_]+$")
            message(FATAL_ERROR "kestrel_embed_resources(${target}): bad resource type '${type}'")
        endif()
        if(NOT id MATCHES "^[0-9]+$" OR id GREATER 65535)
            message(FATAL_ERROR "kestrel_embed_resources(${target}): bad resource id '${id}'")
        endif()
        if(NOT IS_ABSOLUTE "${file}")
            set(file "${CMAKE_CURRENT_SOURCE_DIR}/${file}")
        endif()
        if(file MATCHES "[\"\\\n]")
            message(FATAL_ERROR "kestrel_embed_resources(${target}): unusable file name '${file}'")
        endif()
        if(WIN32 AND NOT type MATCHES "^[A-Za-z_]")
            message(FATAL_ERROR "kestrel_embed_resources(${target}): resource type '${type}' must start with a letter for the resource script")
        endif()
        if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
            get_filename_component(name "${file}" NAME)
            list(APPEND skipped "${type} ${id} ${name}")
            get_filename_component(folder "${file}" DIRECTORY)
            if(IS_DIRECTORY "${folder}")
                set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${folder}")
            endif()
            continue()
        endif()

        if(WIN32)
            _kestrel_rc_row("${target}" "${type}" "${id}" "${file}")
            continue()
        endif()

        set(sym "${prefix}_${embedded}")
        string(APPEND blobs
            "    \".balign 16\\n\"\n"
            "    \".globl ${sym}_begin\\n.hidden ${sym}_begin\\n${sym}_begin:\\n\"\n"
            "    \".incbin \\\"${file}\\\"\\n\"\n"
            "    \".globl ${sym}_end\\n.hidden ${sym}_end\\n${sym}_end:\\n\"\n")
        string(APPEND externs
            "extern \"C\" const uint8_t ${sym}_begin[];\n"
            "extern \"C\" const uint8_t ${sym}_end[];\n")
        string(APPEND rows "        {u\"${type}\", ${id}, ${sym}_begin, ${sym}_end},\n")
        list(APPEND depends "${file}")
        # A file that goes away must drop its row, or the build would stop on the missing input.
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
        math(EXPR embedded "${embedded} + 1")
    endwhile()

    if(WIN32)
        list(APPEND depends ${ARG_RC_DEPENDS})
        _kestrel_rc_finish("${target}" "${ARG_RC_TEMPLATE}")
        return()
    endif()

    set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp")
    set(text "// Generated by kestrel_embed_resources(${target}); edit the table in CMake instead.\n")
    string(APPEND text "#include <cstdint>\n\n#include \"ui/gfx/ResourceTable.h\"\n\n")
    if(embedded GREATER 0)
        string(APPEND text "asm(\".pushsection .rodata\\n\"\n${blobs}    \".popsection\\n\");\n\n${externs}\n")
    endif()
    string(APPEND text "namespace ui {\n\nstd::span<const EmbeddedResource> EmbeddedResourceTable() {\n")
    if(embedded GREATER 0)
        string(APPEND text "    static const EmbeddedResource kTable[] = {\n${rows}    };\n    return kTable;\n")
    else()
        string(APPEND text "    return {};\n")
    endif()
    string(APPEND text "}\n\n} // namespace ui\n")
    # Written through a copy so that an unchanged table does not rebuild anything.
    file(WRITE "${source}.new" "${text}")
    configure_file("${source}.new" "${source}" COPYONLY)

    set_source_files_properties("${source}" PROPERTIES OBJECT_DEPENDS "${depends}")
    target_sources(${target} PRIVATE "${source}")
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
    list(LENGTH skipped missing)
    if(missing GREATER 0)
        list(JOIN skipped ", " skipped)
        message(STATUS "${target}: ${embedded} resource(s) embedded; skipped, file not there yet: ${skipped}")
    else()
        message(STATUS "${target}: ${embedded} resource(s) embedded")
    endif()
endfunction()

# Windows: one row of the resource script, in the caller's scope (rc_rows, depends, embedded,
# skipped, generated).
macro(_kestrel_rc_row target type id file)
    string(TOUPPER "${type}" _rc_upper)
    string(TOLOWER "${type}" _rc_lower)
    if(_rc_upper STREQUAL "ICON")
        get_filename_component(_rc_ext "${file}" LAST_EXT)
        string(TOLOWER "${_rc_ext}" _rc_ext)
        if(_rc_ext STREQUAL ".ico")
            string(APPEND rc_rows "${id} ICON \"${file}\"\n")
            list(APPEND depends "${file}")
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
            math(EXPR embedded "${embedded} + 1")
        else()
            find_program(KESTREL_CONVERT NAMES convert magick)
            if(KESTREL_CONVERT)
                set(_rc_ico "${CMAKE_CURRENT_BINARY_DIR}/${target}_icon_${id}.ico")
                add_custom_command(OUTPUT "${_rc_ico}"
                    COMMAND "${KESTREL_CONVERT}" "${file}" -define icon:auto-resize=256,48,32,16 "${_rc_ico}"
                    DEPENDS "${file}"
                    COMMENT "Icon ${id} for ${target} from ${file}"
                    VERBATIM)
                string(APPEND rc_rows "${id} ICON \"${_rc_ico}\"\n")
                list(APPEND depends "${_rc_ico}")
                list(APPEND generated "${_rc_ico}")
                set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
                math(EXPR embedded "${embedded} + 1")
            else()
                get_filename_component(_rc_name "${file}" NAME)
                message(STATUS "${target}: no ImageMagick 'convert' to make an .ico of ${_rc_name}; icon ${id} left out")
            endif()
        endif()
    else()
        string(APPEND rc_rows "${id} ${_rc_lower} \"${file}\"\n")
        list(APPEND depends "${file}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
        math(EXPR embedded "${embedded} + 1")
    endif()
endmacro()

# Windows: writes the resource script and hands it to the target.
function(_kestrel_rc_finish target template)
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc")
    set(KESTREL_RC_RESOURCES "// Generated by kestrel_embed_resources(${target}); edit the table in CMake instead.\n${rc_rows}")
    if(template)
        if(NOT IS_ABSOLUTE "${template}")
            set(template "${CMAKE_CURRENT_SOURCE_DIR}/${template}")
        endif()
        get_filename_component(KESTREL_RC_TEMPLATE_DIR "${template}" DIRECTORY)
        configure_file("${template}" "${script}.new" @ONLY)
    else()
        file(WRITE "${script}.new" "${KESTREL_RC_RESOURCES}")
    endif()
    # Written through a copy so that an unchanged table does not rebuild anything.
    configure_file("${script}.new" "${script}" COPYONLY)
    set_source_files_properties("${script}" PROPERTIES OBJECT_DEPENDS "${depends}")

    get_target_property(kind ${target} TYPE)
    if(kind STREQUAL "OBJECT_LIBRARY")
        target_sources(${target} PRIVATE "${script}" ${generated})
    else()
        add_library(${target}_rc OBJECT "${script}" ${generated})
        target_link_libraries(${target} PRIVATE ${target}_rc)
    endif()
    list(LENGTH skipped missing)
    if(missing GREATER 0)
        list(JOIN skipped ", " skipped)
        message(STATUS "${target}: ${embedded} resource(s) in its resource script; skipped, file not there yet: ${skipped}")
    else()
        message(STATUS "${target}: ${embedded} resource(s) in its resource script")
    endif()
endfunction()

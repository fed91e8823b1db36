# The wizard's stored data, embedded into quillon_resources:
#   resources/datafiles/NNN-name   data file NNN (templates use the characters U+00A2..U+00A5
#                                  for their marker bytes)
#   resources/strings/NNN-name.txt string fragment NNN (single line feeds)
#   data file 164                  the Windows pagebake.exe, built with mingw-w64

# Data files that are templates: their marker characters become single bytes.
set(QUILLON_TEMPLATE_DATAFILES 154 155 156 157 158 162 183 184 202)

set(_qdir "${PROJECT_SOURCE_DIR}/resources")

function(_quillon_numbered_entries out_var glob_pattern)
    file(GLOB files CONFIGURE_DEPENDS "${glob_pattern}")
    set(entries "")
    foreach(f IN LISTS files)
        get_filename_component(name "${f}" NAME)
        if(NOT name MATCHES "^([0-9][0-9][0-9])-")
            message(FATAL_ERROR "resource ${f} is not named NNN-name")
        endif()
        math(EXPR number "${CMAKE_MATCH_1}")  # strips leading zeros
        list(APPEND entries ${number} "${f}")
    endforeach()
    set(${out_var} "${entries}" PARENT_SCOPE)
endfunction()

_quillon_numbered_entries(_qdata "${_qdir}/datafiles/[0-9][0-9][0-9]-*")
set(_qdata_depends "")

# Files produced at build time (for example the workspace templates) add themselves here as
# number/path pairs together with the targets that make them.
set(QUILLON_GENERATED_DATAFILES "" CACHE INTERNAL "")
if(EXISTS "${_qdir}/workspaces/Workspaces.cmake")
    include("${_qdir}/workspaces/Workspaces.cmake")
endif()
list(APPEND _qdata ${QUILLON_GENERATED_DATAFILES})

if(TARGET pagebake_windows)
    list(APPEND _qdata 164 "${QUILLON_PAGEBAKE_EXE}")
    list(APPEND _qdata_depends pagebake_windows "${QUILLON_PAGEBAKE_EXE}")
endif()

if(_qdata)
    quillon_embed_files(quillon_resources quillon_datafiles
        ENTRIES ${_qdata}
        CONVERT_MARKERS ${QUILLON_TEMPLATE_DATAFILES}
        DEPENDS ${_qdata_depends} ${QUILLON_GENERATED_DATAFILE_TARGETS})
endif()

_quillon_numbered_entries(_qstrings "${_qdir}/strings/[0-9][0-9][0-9]-*")
if(_qstrings)
    quillon_embed_files(quillon_resources quillon_strings ENTRIES ${_qstrings})
endif()

# The stack's own C source (stack/zs_*.c and stack/zs_*.h), which generated projects build with
# SDCC, and its host port (stack/host/, named host/...), which `simulate --host` builds with
# them. Entry 0 lists the file names, one a line, in the order of the entries 1, 2, ...
file(GLOB _qstack CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/stack/zs_*.c" "${PROJECT_SOURCE_DIR}/stack/zs_*.h"
     "${PROJECT_SOURCE_DIR}/stack/host/zs_*.c" "${PROJECT_SOURCE_DIR}/stack/host/zs_*.h")
list(SORT _qstack)
set(_qstack_index "")
set(_qstack_entries "")
set(_qstack_number 0)
foreach(f IN LISTS _qstack)
    math(EXPR _qstack_number "${_qstack_number} + 1")
    file(RELATIVE_PATH name "${PROJECT_SOURCE_DIR}/stack" "${f}")
    string(APPEND _qstack_index "${name}\n")
    list(APPEND _qstack_entries ${_qstack_number} "${f}")
endforeach()
set(_qstack_index_file "${CMAKE_CURRENT_BINARY_DIR}/stack_sources.txt")
file(CONFIGURE OUTPUT "${_qstack_index_file}" CONTENT "${_qstack_index}")
quillon_embed_files(quillon_resources quillon_stacksrc ENTRIES 0 "${_qstack_index_file}" ${_qstack_entries})

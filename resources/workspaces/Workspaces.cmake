# The 24 workspace templates (data files 160, 169, 174, 175, 178 to 181, 189 to 192 and 203
# to 214) are written at build time from one master by MakeWorkspaces.cmake. Included by
# resources/Resources.cmake, which embeds them with the other data files.
set(_qws_dir "${CMAKE_CURRENT_LIST_DIR}")
set(_qws_out "${CMAKE_CURRENT_BINARY_DIR}/workspaces")
set(_qws_numbers 160 169 174 175 178 179 180 181 189 190 191 192
                 203 204 205 206 207 208 209 210 211 212 213 214)
set(_qws_files "")
foreach(number IN LISTS _qws_numbers)
    set(file "${_qws_out}/${number}-TCPIP_Project.wsp")
    list(APPEND _qws_files "${file}")
    list(APPEND QUILLON_GENERATED_DATAFILES ${number} "${file}")
endforeach()

add_custom_command(
    OUTPUT ${_qws_files}
    COMMAND ${CMAKE_COMMAND} -DMASTER=${_qws_dir}/TCPIP_Project.wsp.master -DOUT_DIR=${_qws_out}
            -P ${_qws_dir}/MakeWorkspaces.cmake
    DEPENDS "${_qws_dir}/TCPIP_Project.wsp.master" "${_qws_dir}/MakeWorkspaces.cmake"
    COMMENT "Writing the 24 workspace templates"
    VERBATIM)
add_custom_target(quillon_workspaces DEPENDS ${_qws_files})
list(APPEND QUILLON_GENERATED_DATAFILE_TARGETS quillon_workspaces ${_qws_files})

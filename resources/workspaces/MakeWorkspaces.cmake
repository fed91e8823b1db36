# Writes the 24 workspace templates from TCPIP_Project.wsp.master, one for each combination of
# the five facts that choose a template: web (FTP or HTTP), custom Ethernet device, code bank,
# Zintor (only without code bank) and LOCATRA.
#
#   cmake -DMASTER=<master> -DOUT_DIR=<folder> -P MakeWorkspaces.cmake
#
# Each file is OUT_DIR/NNN-TCPIP_Project.wsp with CR LF line ends. Lists are chains of sections:
# a section names its first entry with "ptn_Child1=FileName" (FolderName, BankNum), the entry is
# the section one key deeper and names the next entry the same way. Folders chain their files
# with "ptn_Child2=FileName". The placeholders "%%" (project folder), "@@" (bank library) and
# "##" (common library) are filled in by the wizard when it writes a project.

cmake_minimum_required(VERSION 3.25)

set(CRLF "\r\n")
set(ROOT "WorkState_v1_1")

# The chain of `key` entries below section `parent`: each entry is the section one ".key"
# deeper than the one before, and every entry but the last links on to the next.
function(chain out parent key)
    set(text "")
    set(section "${parent}")
    set(first TRUE)
    foreach(entry IN LISTS ARGN)
        if(NOT first)
            string(APPEND text "ptn_Child1=${key}${CRLF}${CRLF}")
        endif()
        set(first FALSE)
        string(APPEND section ".${key}")
        string(REPLACE "/" "\\" entry "${entry}")
        string(APPEND text "[${section}]${CRLF}${key}=${entry}${CRLF}")
    endforeach()
    if(NOT first)
        string(APPEND text "${CRLF}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The section `name` under the project, heading the chain of `key` entries.
function(project_list out name key)
    set(entries ${ARGN})
    set(section "${ROOT}.Project.${name}")
    set(text "[${section}]${CRLF}")
    if(entries)
        string(APPEND text "ptn_Child1=${key}${CRLF}${CRLF}")
        chain(body "${section}" "${key}" ${entries})
        string(APPEND text "${body}")
    else()
        string(APPEND text "${CRLF}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The folder chain: each folder holds its files through ptn_Child2.
function(folder_list out)
    set(text "[${ROOT}.Project.Folders]${CRLF}ptn_Child1=FolderName${CRLF}${CRLF}")
    set(section "${ROOT}.Project.Folders")
    list(LENGTH FOLDER_NAMES count)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
        list(GET FOLDER_NAMES ${i} folder)
        string(APPEND section ".FolderName")
        string(APPEND text "[${section}]${CRLF}FolderName=${folder}${CRLF}")
        if(i LESS last)
            string(APPEND text "ptn_Child1=FolderName${CRLF}")
        endif()
        string(APPEND text "ptn_Child2=FileName${CRLF}${CRLF}")
        chain(files "${section}" FileName ${FOLDER_FILES_${i}})
        string(APPEND text "${files}")
    endforeach()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(write_workspace number web custom bank zintor locatra)
    # C sources, in their order.
    set(sources zs_vars.c main.c)
    set(objects zs_vars.obj main.obj)
    if(custom)
        list(APPEND sources custom_ethernet.c)
        list(APPEND objects custom_ethernet.obj)
    endif()
    set(cfiles ${sources})
    if(web)
        list(APPEND cfiles VFILE_DIR/index.c)
        list(APPEND objects VFILE_DIR/index.obj)
    endif()
    list(APPEND sources zs_callback.c)
    list(APPEND cfiles zs_callback.c)
    set(afiles "")
    if(bank)
        list(APPEND objects L51_BANK.obj STARTUP.obj)
        set(afiles L51_BANK.A51 STARTUP.A51)
    elseif(zintor)
        list(APPEND objects Startup.obj)
        set(afiles Startup.a51)
    endif()
    list(APPEND objects @@ "##" zs_callback.obj)
    if(locatra)
        list(APPEND sources locatra.c)
        list(APPEND cfiles locatra.c)
        list(APPEND objects locatra.obj)
    endif()
    set(headers zs_defs.h zs_errs.h zs_funcs.h zs_stackconst.h zs_userconst.h)
    if(custom)
        list(APPEND headers custom_ethernet.h)
    endif()
    if(locatra)
        list(APPEND headers locatra.h)
    endif()

    project_list(cfile_text CFiles FileName ${cfiles})
    project_list(afile_text AFiles FileName ${afiles})
    project_list(lfile_text LFiles FileName ${objects})

    set(FOLDER_NAMES "Source Files" "Header Files")
    set(FOLDER_FILES_0 ${sources})
    set(FOLDER_FILES_1 ${headers})
    if(web)
        list(APPEND FOLDER_NAMES VFILE_DIR)
        set(FOLDER_FILES_2 VFILE_DIR/index.c)
    endif()
    folder_list(folder_text)

    set(chains "${cfile_text}${afile_text}${lfile_text}${folder_text}")
    set(link_extra "")
    set(banking_pn 32767)
    set(project_bankmap "")
    if(bank)
        string(APPEND link_extra " BANKAREA(8000H,0FFFFH)")
        set(banking_pn 72)
        set(banked VFILE_DIR/index.obj @@)
        if(web)
            string(APPEND link_extra " BANK1(8000H, ?CO?INDEX (8000H))")
        else()
            set(banked @@)
        endif()
        set(project_bankmap "ptn_Child7=BankMap${CRLF}")
        set(map "${ROOT}.Project.BankMap")
        chain(bank_files "${map}.BankNum" FileName ${banked})
        string(APPEND chains "[${map}]${CRLF}ptn_Child1=BankNum${CRLF}${CRLF}"
            "[${map}.BankNum]${CRLF}BankNum=1${CRLF}ptn_Child1=FileName${CRLF}${CRLF}${bank_files}")
    endif()

    # The workspace remembers main.c as an open document in the banked templates and in the
    # custom and web templates without Zintor.
    set(root_documents "")
    set(zintor_template FALSE)
    if(zintor AND NOT bank)
        set(zintor_template TRUE)
    endif()
    if(bank OR ((custom OR web) AND NOT zintor_template))
        set(root_documents "ptn_Child5=Documents${CRLF}")
        string(APPEND chains "[${ROOT}.Documents]${CRLF}ptn_Child1=Document${CRLF}${CRLF}"
            "[${ROOT}.Documents.Document]${CRLF}DocPathName=%%main.c${CRLF}Line=1${CRLF}Column=1${CRLF}${CRLF}")
    endif()

    file(READ "${MASTER}" text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "${CRLF}" text "${text}")
    string(REPLACE "@ROOT_DOCUMENTS@${CRLF}" "${root_documents}" text "${text}")
    string(REPLACE "@PROJECT_BANKMAP@${CRLF}" "${project_bankmap}" text "${text}")
    string(REPLACE "@LINK_EXTRA@" "${link_extra}" text "${text}")
    string(REPLACE "@BANKING_PN@" "${banking_pn}" text "${text}")
    # The chains end with an empty line already; the master's last line end is dropped.
    string(REPLACE "@CHAINS@${CRLF}" "${chains}" text "${text}")
    string(REGEX REPLACE "(\r\n)+$" "\r\n" text "${text}")
    file(WRITE "${OUT_DIR}/${number}-TCPIP_Project.wsp" "${text}")
endfunction()

if(NOT MASTER OR NOT OUT_DIR)
    message(FATAL_ERROR "MakeWorkspaces.cmake needs -DMASTER=... and -DOUT_DIR=...")
endif()
file(MAKE_DIRECTORY "${OUT_DIR}")

# number, then web custom bank zintor locatra
set(TABLE
    160 0 0 0 0 0   203 0 0 0 0 1
    189 0 0 0 1 0   211 0 0 0 1 1
    178 0 0 1 0 0   204 0 0 1 0 1
    175 0 1 0 0 0   206 0 1 0 0 1
    191 0 1 0 1 0   213 0 1 0 1 1
    180 0 1 1 0 0   209 0 1 1 0 1
    169 1 0 0 0 0   205 1 0 0 0 1
    190 1 0 0 1 0   212 1 0 0 1 1
    179 1 0 1 0 0   208 1 0 1 0 1
    174 1 1 0 0 0   207 1 1 0 0 1
    192 1 1 0 1 0   214 1 1 0 1 1
    181 1 1 1 0 0   210 1 1 1 0 1)
list(LENGTH TABLE length)
math(EXPR last "${length} - 1")
foreach(i RANGE 0 ${last} 6)
    math(EXPR i1 "${i} + 1")
    math(EXPR i2 "${i} + 2")
    math(EXPR i3 "${i} + 3")
    math(EXPR i4 "${i} + 4")
    math(EXPR i5 "${i} + 5")
    list(GET TABLE ${i} number)
    list(GET TABLE ${i1} web)
    list(GET TABLE ${i2} custom)
    list(GET TABLE ${i3} bank)
    list(GET TABLE ${i4} zintor)
    list(GET TABLE ${i5} locatra)
    write_workspace(${number} ${web} ${custom} ${bank} ${zintor} ${locatra})
endforeach()

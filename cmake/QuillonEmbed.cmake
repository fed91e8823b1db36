# quillon_embed_files(<target> <symbol>
#     ENTRIES <number> <file> [<number> <file> ...]
#     [CONVERT_MARKERS <number> ...]
#     [DEPENDS <target-or-file> ...])
#
# Embeds the files into <target> and gives the C lookup
#     const unsigned char* <symbol>_lookup(int number, size_t* size);
# declared in the generated header "<symbol>.h" (its folder is added to the target's include
# path). A number that is not embedded yields NULL and size 0. Files listed in CONVERT_MARKERS
# are templates whose UTF-8 characters U+00A2..U+00A5 become the single bytes 0xA2..0xA5.
# The same function serves the wizard's data files, its string fragments and the library store.
function(quillon_embed_files target symbol)
    cmake_parse_arguments(PARSE_ARGV 2 ARG "" "" "ENTRIES;CONVERT_MARKERS;DEPENDS")
    list(LENGTH ARG_ENTRIES count)
    math(EXPR odd "${count} % 2")
    if(count EQUAL 0 OR odd)
        message(FATAL_ERROR "quillon_embed_files(${symbol}): ENTRIES needs number/file pairs")
    endif()

    set(work "${CMAKE_CURRENT_BINARY_DIR}/embed_${symbol}")
    file(MAKE_DIRECTORY "${work}")
    set(manifest_text "")
    set(files "")
    math(EXPR last "${count} - 1")
    foreach(i RANGE 0 ${last} 2)
        math(EXPR j "${i} + 1")
        list(GET ARG_ENTRIES ${i} number)
        list(GET ARG_ENTRIES ${j} path)
        get_filename_component(path "${path}" ABSOLUTE)
        set(convert 0)
        if(number IN_LIST ARG_CONVERT_MARKERS)
            set(convert 1)
        endif()
        string(APPEND manifest_text "${number} ${convert} ${path}\n")
        list(APPEND files "${path}")
    endforeach()

    set(manifest "${work}/manifest.txt")
    file(CONFIGURE OUTPUT "${manifest}" CONTENT "${manifest_text}")
    set(out_c "${work}/${symbol}.c")
    set(out_h "${work}/${symbol}.h")
    add_custom_command(
        OUTPUT "${out_c}" "${out_h}"
        COMMAND quillon-embed "${symbol}" "${out_c}" "${out_h}" "${work}" "${manifest}"
        DEPENDS quillon-embed "${manifest}" ${files} ${ARG_DEPENDS}
        COMMENT "Embedding ${symbol}"
        VERBATIM)
    target_sources(${target} PRIVATE "${out_c}" "${out_h}")
    target_include_directories(${target} PRIVATE "${work}")
    # The object file changes whenever an embedded file does, although the C text may not.
    set_source_files_properties("${out_c}" PROPERTIES OBJECT_DEPENDS "${files}")
endfunction()

# Writes a gzipped manual page from a program's --help with help2man (cmake -P).
#   HELP2MAN, PROGRAM, NAME (the one-line description), VERSION, INCLUDE (extra sections),
#   OUTPUT (the .1.gz to write), COMMANDS (ON: add the --help of each command that the
#   program's --help lists under "Commands:").
set(include_file "${OUTPUT}.h2m")
file(READ "${INCLUDE}" sections)

if(COMMANDS)
    execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE code)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "${PROGRAM} --help failed")
    endif()
    string(REGEX MATCH "Commands:\n(  [^\n]*\n)+" listed "${help}")
    string(REGEX MATCHALL "\n  [a-z][a-z-]*" names "${listed}")
    get_filename_component(program_name "${PROGRAM}" NAME)
    string(APPEND sections "[COMMANDS IN DETAIL]\n")
    foreach(name IN LISTS names)
        string(STRIP "${name}" name)
        execute_process(COMMAND "${PROGRAM}" ${name} --help
            OUTPUT_VARIABLE text ERROR_VARIABLE text RESULT_VARIABLE code)
        if(NOT code EQUAL 0)
            message(FATAL_ERROR "${PROGRAM} ${name} --help failed")
        endif()
        # Shown as it is printed: escape what roff would read as its own.
        string(REPLACE "\\" "\\e" text "${text}")
        string(REPLACE "-" "\\-" text "${text}")
        string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
        string(APPEND sections ".SS \"${program_name} ${name}\"\n.nf\n${text}.fi\n")
    endforeach()
endif()
file(WRITE "${include_file}" "${sections}")

execute_process(
    COMMAND "${HELP2MAN}" --no-info --no-discard-stderr "--version-string=${VERSION}"
        "--name=${NAME}" "--include=${include_file}" "--output=${OUTPUT}.tmp" "${PROGRAM}"
    RESULT_VARIABLE code)
if(NOT code EQUAL 0)
    message(FATAL_ERROR "help2man failed on ${PROGRAM}")
endif()
# -n leaves the time out of the gzip header, so the same page gives the same file.
execute_process(COMMAND gzip -9nc "${OUTPUT}.tmp" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE code)
file(REMOVE "${OUTPUT}.tmp")
if(NOT code EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${OUTPUT}")
endif()

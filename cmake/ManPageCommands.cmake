# cmake -DPROGRAM=FILE -DCOMMANDS=a,b -DOUTPUT=FILE -P ManPageCommands.cmake
# Writes a help2man include file with a COMMANDS section: the help of each
# command as `PROGRAM help COMMAND` prints it, as preformatted text.
set(text "[COMMANDS]\n")
string(REPLACE "," ";" COMMANDS "${COMMANDS}")
foreach(command ${COMMANDS})
    execute_process(COMMAND ${PROGRAM} help ${command} OUTPUT_VARIABLE help RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${PROGRAM} help ${command} failed: ${result}")
    endif()
    # The options every command shares are the page's OPTIONS already.
    string(FIND "${help}" "\nOptions of every command" shared)
    if(NOT shared EQUAL -1)
        math(EXPR shared "${shared} + 1")
        string(SUBSTRING "${help}" 0 ${shared} help)
    endif()
    # roff: backslashes doubled, lines that begin with a dot or a quote kept as text.
    string(REPLACE "\\" "\\e" help "${help}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
    string(APPEND text ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")

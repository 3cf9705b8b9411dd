# Man pages made from the programs' own --help and --version by help2man at
# build time, so that they say what the programs say. Each lands, gzipped, in
# share/man/man1 of its program's install component.
#
#   vantelo_add_man_page(NAME COMMAND COMPONENT DESCRIPTION [SUBCOMMANDS NAME...])
#
# COMMAND is the program to run: a target's name or a file of the tree. A
# program with commands of its own lists them as SUBCOMMANDS: the page gets a
# section COMMANDS with what `COMMAND help NAME` prints for each.

if(NOT VANTELO_BUILD_MANPAGES)
    function(vantelo_add_man_page)
    endfunction()
    return()
endif()

find_program(VANTELO_HELP2MAN help2man)
find_program(VANTELO_GZIP gzip)
if(NOT VANTELO_HELP2MAN OR NOT VANTELO_GZIP)
    message(FATAL_ERROR "The man pages need help2man and gzip: install them, or configure with VANTELO_BUILD_MANPAGES=OFF")
endif()
add_custom_target(man-pages ALL)

set(_vantelo_man_scripts ${CMAKE_CURRENT_LIST_DIR})

function(vantelo_add_man_page name command component description)
    cmake_parse_arguments(PARSE_ARGV 4 PAGE "" "" "SUBCOMMANDS")
    set(page ${PROJECT_BINARY_DIR}/man/${name}.1)
    if(TARGET ${command})
        set(program $<TARGET_FILE:${command}>)
    else()
        set(program ${command})
    endif()
    # No bus is reached: every program answers --help, --version and help before it connects.
    set(nowhere VANTELO_DBUS_ADDRESS=unix:path=/nonexistent DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
                DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent)
    set(commands_step "")
    set(include "")
    if(PAGE_SUBCOMMANDS)
        set(include_file ${PROJECT_BINARY_DIR}/man/${name}.h2m)
        set(include --include ${include_file})
        string(REPLACE ";" "," subcommands "${PAGE_SUBCOMMANDS}")
        set(commands_step COMMAND ${CMAKE_COMMAND} -E env ${nowhere} ${CMAKE_COMMAND} -DPROGRAM=${program}
                                  -DCOMMANDS=${subcommands} -DOUTPUT=${include_file}
                                  -P ${_vantelo_man_scripts}/ManPageCommands.cmake)
    endif()
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        ${commands_step}
        COMMAND ${CMAKE_COMMAND} -E env ${nowhere}
                ${VANTELO_HELP2MAN} --no-info --no-discard-stderr --section 1 --name ${description}
                ${include} --output ${page} ${program}
        COMMAND ${VANTELO_GZIP} -9nf ${page}
        DEPENDS ${command} ${_vantelo_man_scripts}/ManPageCommands.cmake
        COMMENT "Man page ${name}(1)"
        VERBATIM)
    add_custom_target(man-page-${name} DEPENDS ${page}.gz)
    add_dependencies(man-pages man-page-${name})
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()

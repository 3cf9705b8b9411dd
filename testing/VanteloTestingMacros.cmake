# vantelo_add_device_test(NAME name COMMAND command [arg...] [SCENARIO file])
#
# Registers a CTest test that runs `command` under vantelo-with-simulator:
# on a private bus of its own with the simulator on it, serving `file` or
# the default scenario, VANTELO_DBUS_ADDRESS pointing there. A target name as
# the command's first word is replaced by its file, as add_test() does.
# VANTELO_WITH_SIMULATOR names the runner; the package sets it.
function(vantelo_add_device_test)
    cmake_parse_arguments(PARSE_ARGV 0 DEVICE_TEST "" "NAME;SCENARIO" "COMMAND")
    if(NOT DEVICE_TEST_NAME OR NOT DEVICE_TEST_COMMAND)
        message(FATAL_ERROR "vantelo_add_device_test: NAME and COMMAND are required")
    endif()
    if(DEVICE_TEST_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "vantelo_add_device_test: unknown arguments ${DEVICE_TEST_UNPARSED_ARGUMENTS}")
    endif()
    list(GET DEVICE_TEST_COMMAND 0 program)
    list(REMOVE_AT DEVICE_TEST_COMMAND 0)
    if(TARGET ${program})
        set(program $<TARGET_FILE:${program}>)
    endif()
    set(scenario)
    if(DEVICE_TEST_SCENARIO)
        get_filename_component(file "${DEVICE_TEST_SCENARIO}" ABSOLUTE)
        set(scenario --scenario "${file}")
    endif()
    add_test(NAME ${DEVICE_TEST_NAME}
        COMMAND ${VANTELO_WITH_SIMULATOR} --quiet ${scenario} -- ${program} ${DEVICE_TEST_COMMAND})
endfunction()

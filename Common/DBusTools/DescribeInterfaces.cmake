# Writes OUTPUT, a C++ table of what Qt needs to know of each shipped
# interface, from the interface files in INPUTS (separated by "|").
#
# Qt reads an interface's description only to decide whether a call in
# AutoDetect mode waits for its answer (a method marked NoReply does not; any
# other method, described or not, is waited for) and for properties, which
# the device's interfaces don't have. So each entry keeps the methods marked
# NoReply, and nothing else: connectors relay signals without Qt's description
# of them, and parsing what Qt never reads is most of a first connector's cost.
string(REPLACE "|" ";" inputs "${INPUTS}")
set(entries "")
foreach(file IN LISTS inputs)
    file(READ "${file}" text)
    # Semicolons would split the text below; a description holds none that matter.
    string(REPLACE ";" "" text "${text}")
    string(REGEX MATCH "<interface name=\"([^\"]+)\"" unused "${text}")
    set(interface "${CMAKE_MATCH_1}")
    set(xml "<interface name=\\\"${interface}\\\">")
    # Every method element ends with "/>" (no content) or with "</method>".
    string(REPLACE "</method>" "</method>;" pieces "${text}")
    foreach(piece IN LISTS pieces)
        string(REGEX MATCHALL "<method name=\"[^\"]+\"[^>]*>" openings "${piece}")
        foreach(opening IN LISTS openings)
            string(REGEX REPLACE "<method name=\"([^\"]+)\".*" "\\1" method "${opening}")
            string(FIND "${piece}" "${opening}" start)
            string(SUBSTRING "${piece}" ${start} -1 body)
            string(FIND "${body}" "</method>" end)
            if(opening MATCHES "/>$" OR end EQUAL -1)
                set(body "")
            else()
                string(SUBSTRING "${body}" 0 ${end} body)
            endif()
            if(body MATCHES "org\\.freedesktop\\.DBus\\.Method\\.NoReply\" value=\"true\"")
                string(APPEND xml "<method name=\\\"${method}\\\"><annotation name=\\\"org.freedesktop.DBus.Method.NoReply\\\" value=\\\"true\\\"/></method>")
            endif()
        endforeach()
    endforeach()
    string(APPEND xml "</interface>")
    string(APPEND entries "    {\"${interface}\",\n     \"${xml}\"},\n")
endforeach()
file(WRITE "${OUTPUT}.new"
"// Made at build time by DescribeInterfaces.cmake from the interface files.\n"
"#include \"InterfaceDescriptions.h\"\n\n"
"const InterfaceDescriptions::Entry InterfaceDescriptions::shipped[] = {\n${entries}};\n\n"
"const int InterfaceDescriptions::shippedCount = int(sizeof(shipped) / sizeof(shipped[0]));\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")

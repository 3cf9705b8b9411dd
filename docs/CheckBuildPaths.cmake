# cmake -DHTML=DIR -DFORBIDDEN=PATH;... -P CheckBuildPaths.cmake
# Fails when a page of the reference names one of the paths (the source and
# build folders of the machine that made it).
file(GLOB_RECURSE files ${HTML}/*.html ${HTML}/*.js)
foreach(file ${files})
    file(READ ${file} text)
    foreach(path ${FORBIDDEN})
        string(FIND "${text}" "${path}" at)
        if(NOT at EQUAL -1)
            message(FATAL_ERROR "${file} names the build machine's ${path}")
        endif()
    endforeach()
endforeach()
list(LENGTH files count)
message(STATUS "${count} pages of the reference name no build path")

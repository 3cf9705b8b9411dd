# Where and under which names the build installs, for either Qt major.

# The Qt 6 build's libraries, CMake package, pkg-config file and header folder
# carry a suffix of their own, so both builds can share one prefix.
set(VANTELO_PACKAGE_NAME VanteloConnectorLibrary${VANTELO_QT_SUFFIX})
if(VANTELO_QT_SUFFIX)
    string(TOLOWER "vantelo-${VANTELO_QT_SUFFIX}" VANTELO_INCLUDE_SUBDIR)
else()
    set(VANTELO_INCLUDE_SUBDIR vantelo)
endif()
set(VANTELO_INCLUDE_INSTALL_DIR ${CMAKE_INSTALL_INCLUDEDIR}/${VANTELO_INCLUDE_SUBDIR})
# The reference's package, whose folder in share/doc holds it as HTML.
if(VANTELO_QT_SUFFIX)
    string(TOLOWER "libvantelo-connector-${VANTELO_QT_SUFFIX}-doc" VANTELO_DOC_PACKAGE)
else()
    set(VANTELO_DOC_PACKAGE libvantelo-connector-doc)
endif()

# Install components, one Debian package each (cmake/VanteloPackaging.cmake):
#   runtime     the shared libraries
#   dev         headers, CMake package, pkg-config file
#   interfaces  the D-Bus interface files, the same for both Qt majors
#   cli         the command-line client with its completions
#   simulator   the simulator and its data: every install() that names no component
#   qml, doc    the QML module, the HTML reference
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME simulator)

# Installed binaries find our libraries relative to themselves, so an installed
# tree runs from any prefix without LD_LIBRARY_PATH. Programs in bin/ get this
# by default; anything installed elsewhere that links our libraries calls
# vantelo_set_install_rpath() with its destination.
function(vantelo_set_install_rpath target destination)
    if(IS_ABSOLUTE "${destination}")
        set(from "${destination}")
    else()
        set(from "${CMAKE_INSTALL_PREFIX}/${destination}")
    endif()
    file(RELATIVE_PATH relative "${from}" "${CMAKE_INSTALL_FULL_LIBDIR}")
    if(relative)
        set(relative "/${relative}")
    endif()
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN${relative}")
endfunction()

file(RELATIVE_PATH _vantelo_bin_to_lib "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}")
set(CMAKE_INSTALL_RPATH "$ORIGIN/${_vantelo_bin_to_lib}")
# The way back, for the test kit's library to find the simulator.
file(RELATIVE_PATH VANTELO_LIB_TO_BIN "${CMAKE_INSTALL_FULL_LIBDIR}" "${CMAKE_INSTALL_FULL_BINDIR}")

# What our libraries share: their file name (with the Qt 6 suffix),
# SONAME, what their users compile with, and how they install (the library in
# the runtime package, its unversioned link name in the dev package, unless
# COMPONENT and DEV_COMPONENT name others; in the export set VanteloTargets,
# unless EXPORT names another).
function(vantelo_library_setup target)
    cmake_parse_arguments(PARSE_ARGV 1 SETUP "" "EXPORT;COMPONENT;DEV_COMPONENT" "")
    foreach(default EXPORT:VanteloTargets COMPONENT:runtime DEV_COMPONENT:dev)
        string(REPLACE ":" ";" default ${default})
        list(GET default 0 key)
        list(GET default 1 value)
        if(NOT SETUP_${key})
            set(SETUP_${key} ${value})
        endif()
    endforeach()
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${target}${VANTELO_QT_SUFFIX}
        VERSION ${PROJECT_VERSION}
        SOVERSION ${PROJECT_VERSION_MAJOR}
        # Linking the Qt 5 and the Qt 6 package into one target is refused, as Qt refuses it.
        INTERFACE_QT_MAJOR_VERSION ${QT_MAJOR_VERSION}
        COMPATIBLE_INTERFACE_STRING QT_MAJOR_VERSION)
    # Applications' warning records carry file, line and function too, as
    # with the pkg-config file.
    target_compile_definitions(${target} INTERFACE QT_MESSAGELOGCONTEXT)
    target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${VANTELO_INCLUDE_INSTALL_DIR}>)
    vantelo_set_install_rpath(${target} ${CMAKE_INSTALL_LIBDIR})
    install(TARGETS ${target} EXPORT ${SETUP_EXPORT}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${SETUP_COMPONENT}
        NAMELINK_COMPONENT ${SETUP_DEV_COMPONENT})
endfunction()

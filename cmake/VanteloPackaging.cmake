# Debian packages, one per install component: cpack -G DEB in the build folder.
#
#   component   Qt 5 build                 Qt 6 build
#   runtime     libvantelo-connector1      libvantelo-connector-qt6-1
#   dev         libvantelo-connector-dev   libvantelo-connector-qt6-dev
#   interfaces  vantelo-dbus-interfaces    (the same package, architecture all)
#   cli         vantelo-cli                vantelo-cli-qt6
#   simulator   vantelo-simulator          vantelo-simulator-qt6
#   qml         qml-module-vantelo-connectors  qml6-module-vantelo-connectors
#   testing     vantelo-testing            vantelo-testing-qt6
#   doc         libvantelo-connector-doc   libvantelo-connector-qt6-doc
#
# The client belongs on a device, the simulator on a developer's machine or a
# test rig: they are packages of their own. Every package carries the
# copyright file and the changelog in usr/share/doc/PACKAGE; the programs'
# packages their man pages. The doc package, when the build makes the
# reference (VANTELO_BUILD_DOCS), holds it as HTML.
#
# The libraries, development files and QML modules of both Qt majors install
# side by side, the QML modules in Qt's QML folder of their Qt.
# The programs keep their names in both builds, so the client's two packages
# conflict, as do the simulator's: one system has one vantelo-cli. Both
# replace the vantelo-tools packages that held them together before. The interface files are the same
# for both and live in a package of their own that both dev packages need.

set(CPACK_PACKAGE_NAME vantelo${VANTELO_QT_SUFFIX})
set(CPACK_PACKAGE_VENDOR "Vantelo")
set(CPACK_PACKAGE_CONTACT "Vantelo connector library developers <connector-library@vantelo.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
# Where the build was configured to live: paths compiled into the build (the
# activation file's program, for one) stay true. Configure with
# -DCMAKE_INSTALL_PREFIX=/usr for packages of the system.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev interfaces cli simulator)
if(VANTELO_BUILD_QML)
    list(APPEND CPACK_COMPONENTS_ALL qml)
endif()
if(VANTELO_BUILD_DOCS)
    list(APPEND CPACK_COMPONENTS_ALL doc)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# As Debian ships binaries: without their debug information.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)

# Dependencies on other packages come from the binaries themselves.
# dpkg-shlibdeps finds our own libraries in the build tree; the packages that
# ship them are named below instead.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${PROJECT_BINARY_DIR}/Common/DBusTools ${PROJECT_BINARY_DIR}/connectors)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The runtime package tells packages built against it what to depend on.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

string(TOLOWER "${VANTELO_QT_SUFFIX}" _vantelo_suffix)
if(_vantelo_suffix)
    set(_vantelo_runtime libvantelo-connector-${_vantelo_suffix}-${PROJECT_VERSION_MAJOR})
    set(_vantelo_dev libvantelo-connector-${_vantelo_suffix}-dev)
    set(_vantelo_cli vantelo-cli-${_vantelo_suffix})
    set(_vantelo_other_cli vantelo-cli)
    set(_vantelo_simulator vantelo-simulator-${_vantelo_suffix})
    set(_vantelo_other_simulator vantelo-simulator)
    set(_vantelo_qt_dev qt6-base-dev)
    set(_vantelo_qml qml6-module-vantelo-connectors)
else()
    set(_vantelo_runtime libvantelo-connector${PROJECT_VERSION_MAJOR})
    set(_vantelo_dev libvantelo-connector-dev)
    set(_vantelo_cli vantelo-cli)
    set(_vantelo_other_cli vantelo-cli-qt6)
    set(_vantelo_simulator vantelo-simulator)
    set(_vantelo_other_simulator vantelo-simulator-qt6)
    set(_vantelo_qt_dev qtbase5-dev)
    set(_vantelo_qml qml-module-vantelo-connectors)
endif()

# Each description's first line is its package's synopsis.
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "Vantelo connector libraries for Qt ${QT_MAJOR_VERSION}
Typed D-Bus clients, connectors, of the device's system information services.")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${_vantelo_runtime})
# The loader's cache learns of the libraries through dpkg's trigger.
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/runtime.triggers ${PROJECT_BINARY_DIR}/debian/runtime/triggers COPYONLY)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/runtime/triggers)

set(CPACK_COMPONENT_DEV_DESCRIPTION "Vantelo connector libraries for Qt ${QT_MAJOR_VERSION}: development files
Headers, the CMake package ${VANTELO_PACKAGE_NAME} and the pkg-config file of the same name.")
set(CPACK_COMPONENT_DEV_DEPENDS runtime interfaces)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${_vantelo_dev})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${_vantelo_qt_dev} (>= ${VANTELO_QT_MIN_VERSION})")

set(CPACK_COMPONENT_INTERFACES_DESCRIPTION "D-Bus interface files of the device's system information services
The introspection files of the interfaces the connectors call, and of the simulator's control interface.")
set(CPACK_DEBIAN_INTERFACES_PACKAGE_NAME vantelo-dbus-interfaces)
set(CPACK_DEBIAN_INTERFACES_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_INTERFACES_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_INTERFACES_PACKAGE_SHLIBDEPS OFF)

set(CPACK_COMPONENT_CLI_DESCRIPTION "Command-line client of the device's services (Qt ${QT_MAJOR_VERSION})
vantelo-cli lists the connectors, calls their operations and monitors their signals, with bash and zsh completion.")
set(CPACK_COMPONENT_CLI_DEPENDS runtime)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME ${_vantelo_cli})
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_CLI_PACKAGE_CONFLICTS "${_vantelo_other_cli}, vantelo-tools, vantelo-tools-qt6")
set(CPACK_DEBIAN_CLI_PACKAGE_REPLACES "${_vantelo_other_cli}, vantelo-tools, vantelo-tools-qt6")

# The bus policy lets a user of its own run the simulator on a system bus;
# the package makes that user when it is configured.
set(CPACK_COMPONENT_SIMULATOR_DESCRIPTION "Simulator of the device's services (Qt ${QT_MAJOR_VERSION})
vantelo-simulator plays the device's services on a bus, from a scenario, for tests and for work without the device.")
set(CPACK_COMPONENT_SIMULATOR_DEPENDS runtime)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_NAME ${_vantelo_simulator})
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_CONFLICTS "${_vantelo_other_simulator}, vantelo-tools, vantelo-tools-qt6")
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_REPLACES "${_vantelo_other_simulator}, vantelo-tools, vantelo-tools-qt6")
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/simulator.postinst.in ${PROJECT_BINARY_DIR}/debian/simulator/postinst
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/simulator/postinst)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_COMPONENT_QML_DESCRIPTION "QML module Vantelo.Connectors for Qt ${QT_MAJOR_VERSION}
Any connector by name, the UI status items as a model and the display's screenshot as an image, for QML.")
set(CPACK_COMPONENT_QML_DEPENDS runtime)
set(CPACK_DEBIAN_QML_PACKAGE_NAME ${_vantelo_qml})

# The test kit for applications: libVanteloTesting, vantelo-with-simulator,
# the CMake component Testing and the QML module Vantelo.Connectors.Testing.
# Like the tools, one system has the kit of one Qt.
list(APPEND CPACK_COMPONENTS_ALL testing)
list(APPEND CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/testing)
if(_vantelo_suffix)
    set(_vantelo_testing vantelo-testing-${_vantelo_suffix})
    set(_vantelo_other_testing vantelo-testing)
else()
    set(_vantelo_testing vantelo-testing)
    set(_vantelo_other_testing vantelo-testing-qt6)
endif()
set(CPACK_COMPONENT_TESTING_DESCRIPTION "Test kit for applications of the Vantelo connector library (Qt ${QT_MAJOR_VERSION})
The simulated device for an application's tests: the library VanteloTesting (CMake component Testing),
vantelo-with-simulator, the CMake helper vantelo_add_device_test() and the QML module
Vantelo.Connectors.Testing.")
set(CPACK_COMPONENT_TESTING_DEPENDS runtime dev simulator)
set(CPACK_DEBIAN_TESTING_PACKAGE_NAME ${_vantelo_testing})
set(CPACK_DEBIAN_TESTING_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_TESTING_PACKAGE_DEPENDS "dbus-daemon")
set(CPACK_DEBIAN_TESTING_PACKAGE_CONFLICTS ${_vantelo_other_testing})
set(CPACK_DEBIAN_TESTING_PACKAGE_REPLACES ${_vantelo_other_testing})
# Its library is a shared library of the system, as the runtime's are.
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/runtime.triggers ${PROJECT_BINARY_DIR}/debian/testing/triggers COPYONLY)
set(CPACK_DEBIAN_TESTING_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/testing/triggers)

set(CPACK_COMPONENT_DOC_DESCRIPTION "Vantelo connector libraries for Qt ${QT_MAJOR_VERSION}: reference
The HTML reference of the connectors, the companion library and the QML module Vantelo.Connectors.")
set(CPACK_DEBIAN_DOC_PACKAGE_NAME ${VANTELO_DOC_PACKAGE})
set(CPACK_DEBIAN_DOC_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DOC_PACKAGE_SECTION doc)
set(CPACK_DEBIAN_DOC_PACKAGE_SHLIBDEPS OFF)

# Every package's copyright file and changelog, the changelog compressed as
# Debian keeps it (gzip -9n: no name, no time, the same bytes each build).
set(_vantelo_changelog ${PROJECT_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${_vantelo_changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
    COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/debian/changelog > ${_vantelo_changelog}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
    COMMENT "Debian changelog")
add_custom_target(debian-changelog ALL DEPENDS ${_vantelo_changelog})
foreach(_vantelo_component ${CPACK_COMPONENTS_ALL})
    string(TOUPPER ${_vantelo_component} _vantelo_upper)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${_vantelo_changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${_vantelo_upper}_PACKAGE_NAME}
        COMPONENT ${_vantelo_component})
endforeach()

include(CPack)

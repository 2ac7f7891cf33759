# cmake --install in two components, and their Debian packages (cpack -G DEB):
#   provider  what goes on the appliance: the provider library where OpenWBEM
#             looks for C++ providers, and the MOF of its classes;
#   devkit    the simulated appliance for a workstation: the two programs,
#             their libraries, the appliance description, the MOF and a
#             systemd unit for qvx-cimom.
# cmake --install and cpack take what was built and do not build the rest
# (tests, benchmarks) first: scripts/package.sh builds the shipped targets.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS QVXInventoryProvider
  LIBRARY DESTINATION ${QVX_PROVIDER_DIR} COMPONENT provider NAMELINK_SKIP)
install(FILES ${CMAKE_SOURCE_DIR}/schema/QVX_Inventory.mof
  DESTINATION ${QVX_DATADIR} COMPONENT provider)

set(qvx_components provider)
if(TARGET qvx-cimom)
  list(APPEND qvx_components devkit)
  install(TARGETS qvx-cimom qvx-inventory RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT devkit)
  install(TARGETS owapi osa SblimUtilities qvx-cimom-tls
    LIBRARY DESTINATION ${QVX_PRIVATE_LIBDIR} COMPONENT devkit NAMELINK_SKIP)
  install(FILES ${CMAKE_SOURCE_DIR}/simulator/appliance.yaml
    DESTINATION ${QVX_DATADIR} COMPONENT devkit)

  # The unit names installed paths: configured for this prefix.
  set(QVX_UNIT_ENVIRONMENT_FILE ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default/qvx-cimom)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/qvx-cimom.service.in
    ${CMAKE_BINARY_DIR}/packaging/qvx-cimom.service @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/conffiles.in
    ${CMAKE_BINARY_DIR}/packaging/conffiles @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/qvx-cimom.service
    DESTINATION lib/systemd/system COMPONENT devkit)
  # /etc for the /usr prefix (GNUInstallDirs), so an absolute destination.
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/qvx-cimom.default
    DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default RENAME qvx-cimom COMPONENT devkit)
endif()

set(CPACK_GENERATOR DEB)
# Absolute destinations (/etc) land inside the package, not on this machine.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGE_NAME qvx-inventory)
set(CPACK_PACKAGE_VENDOR "QVX")
set(CPACK_PACKAGE_CONTACT "QVX inventory maintainers <maintainers@users.noreply.c-seed-7757caa2.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QVX64 appliance hardware inventory for OpenWBEM")
set(CPACK_COMPONENTS_ALL ${qvx_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps must find the platform and owapi libraries it cannot map to
# a Debian package; they are left out of the dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  ${QVX_PLATFORM_LIBRARY_FOLDERS} ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
if(QVX_32BIT)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
  set(QVX_SHIPPED_PROVIDER ${CMAKE_BINARY_DIR}/${QVX_PROVIDER_DIR}/libQVXInventoryProvider.so)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/cpack-i386.cmake.in
    ${CMAKE_BINARY_DIR}/cpack-i386.cmake @ONLY)
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/cpack-i386.cmake)
endif()

set(CPACK_DEBIAN_PROVIDER_PACKAGE_NAME qvx-inventory-provider)
set(CPACK_DEBIAN_PROVIDER_DESCRIPTION "libQVXInventoryProvider.so for the appliance's OpenWBEM object manager and
the MOF of its classes (QVX_Z64Chassis, QVX_Z64ExpansionChassis,
QVX_MBMLogicalModule). Needs the appliance's libosa.so and
libSblimUtilities.so.")
set(CPACK_DEBIAN_DEVKIT_PACKAGE_NAME qvx-inventory-devkit)
set(CPACK_DEBIAN_DEVKIT_PACKAGE_SUGGESTS sblim-wbemcli)
set(CPACK_COMPONENT_DEVKIT_DEPENDS provider)
set(CPACK_DEBIAN_DEVKIT_DESCRIPTION "The simulated appliance for a workstation:
qvx-cimom (CIM-XML over HTTP, with the systemd unit qvx-cimom.service) and
qvx-inventory serve the inventory provider over stand-in platform
libraries.")
set(CPACK_DEBIAN_DEVKIT_PACKAGE_CONTROL_EXTRA
  ${CMAKE_BINARY_DIR}/packaging/conffiles ${CMAKE_SOURCE_DIR}/packaging/postinst
  ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_DEVKIT_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

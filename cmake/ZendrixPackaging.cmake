# The Debian package: `cmake --build build --target deb` builds what is
# installed and runs CPack. Two packages come out of one run:
#   zendrix          the program, zendrix-cli, their libraries, the language
#                    files, the desktop entry and the icons (component program)
#   zendrix-vtcamsim the camera simulator, a tool for tests and demonstrations
#                    that an installer on a site does not need (component simulator)
# The program's package grants the capture capabilities to both programs when
# it is configured and takes them back before its files go
# (resources/debian/postinst and prerm). The simulator links none of our
# libraries and stands alone.

# Packaging (and `cmake --install`) takes what the build made: it must not
# first build every test of the tree, which the deb target does not need.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME zendrix)
set(CPACK_PACKAGE_VENDOR "Vantrel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Finds, addresses, configures and upgrades IP cameras on the local network")
set(CPACK_PACKAGE_DESCRIPTION
  "Zendrix finds every camera of the family on the local Ethernet segment with raw Ethernet frames, lists them, "
  "changes their network identity one by one or in batches, sets parameters on many cameras at once, upgrades "
  "firmware in parallel, shows live video, browses a camera's event log and uploads OEM branding.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program)
if(TARGET vtcamsim)
  list(APPEND CPACK_COMPONENTS_ALL simulator)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vantrel Zendrix developers <zendrix@vantrel.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on the system's libraries come from dpkg-shlibdeps, which
# reads every ELF file of the package; our own libraries resolve inside it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME zendrix)
# setcap comes from libcap2-bin: the package's postinst runs it.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "libcap2-bin")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SUGGESTS "zendrix-vtcamsim")

set(ZENDRIX_CAPTURE_PROGRAMS "${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zendrix")
list(APPEND ZENDRIX_CAPTURE_PROGRAMS "${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zendrix-cli")
list(JOIN ZENDRIX_CAPTURE_PROGRAMS " " ZENDRIX_CAPTURE_PROGRAMS)
set(maintainer_scripts)
foreach(script postinst prerm postrm)
  configure_file(${PROJECT_SOURCE_DIR}/resources/debian/${script} ${PROJECT_BINARY_DIR}/debian/${script}
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  list(APPEND maintainer_scripts ${PROJECT_BINARY_DIR}/debian/${script})
endforeach()
set(CPACK_DEBIAN_PROGRAM_PACKAGE_CONTROL_EXTRA ${maintainer_scripts})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_SIMULATOR_PACKAGE_NAME zendrix-vtcamsim)
# The ONVIF cameras' streams and snapshots run GStreamer elements, which are
# loaded at run time and so escape dpkg-shlibdeps; H.265 (x265enc) only for a
# site that offers it.
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly")
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_SUGGESTS "gstreamer1.0-plugins-bad")
set(CPACK_COMPONENT_PROGRAM_DISPLAY_NAME "Zendrix")
set(CPACK_COMPONENT_SIMULATOR_DISPLAY_NAME "vtcamsim camera simulator")
set(CPACK_COMPONENT_SIMULATOR_DESCRIPTION
  "vtcamsim answers discovery and serves the camera protocol for any number of simulated cameras on one network "
  "interface, for trying Zendrix and for tests. Run it inside a network namespace of its own (scripts/camlab).")

include(CPack)

set(packaged_targets lang_files)
foreach(target zendrix zendrix-cli vtcamsim)
  if(TARGET ${target})
    list(APPEND packaged_targets ${target})
  endif()
endforeach()
add_custom_target(deb
  COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
  USES_TERMINAL
  COMMENT "Building the Debian packages")
add_dependencies(deb ${packaged_targets})

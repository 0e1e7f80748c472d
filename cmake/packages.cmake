# cpack in a build folder makes the package of its system:
#   Linux:   meridian-<version>-Linux-x86_64.deb (/usr/bin/meridian, the manual
#            page, README and licence under /usr/share/doc/meridian)
#   Windows: meridian-<version>-win64.zip (meridian.exe, README.md, LICENSE)
# scripts/make_packages.sh builds and checks both.
set(CPACK_PACKAGE_NAME meridian)
set(CPACK_PACKAGE_VENDOR "The MERIDIAN developers")
set(CPACK_PACKAGE_CONTACT "The MERIDIAN developers <meridian@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Post-processes NIKE3D output listings into Tecplot and VTK files")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "meridian-${PROJECT_VERSION}-win64")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME "meridian-${PROJECT_VERSION}-Linux-x86_64.deb")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  # The first line (the summary) is CPACK_PACKAGE_DESCRIPTION_SUMMARY.
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
         "MERIDIAN reads the printed output listing of the NIKE3D implicit finite-element\n"
         "solver and writes Tecplot ASCII files of the model and of every printed time step,\n"
         "VTK XML files for ParaView, solver input cards and CSV path extracts.")
  # The libraries the program links to (libc6, libstdc++6, libgcc-s1), with
  # the versions dpkg-shlibdeps finds.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)

# `cpack` in a build folder makes a .tar.gz of the installed tree and, on
# Linux, a .deb.
set(CPACK_PACKAGE_NAME pagelume)
set(CPACK_PACKAGE_VENDOR "pagelume developers")
set(CPACK_PACKAGE_CONTACT "pagelume developers <dev@pagelume.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "pagelume is the terminal companion of the Pagelume desktop app. It makes
the named Markdown files' paths absolute, refuses to go on if any is
missing, finds the app bundle (PAGELUME_APP, the bundle around the tool, a
source checkout's build, /Applications, ~/Applications) and hands bundle and
files to the system's opener; on systems without macOS's open it brings a
stand-in that starts the bundle's executable. It also prints its usage text
and the app's version.")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_STRIP_FILES ON)
# The tool looks for its opener at a path fixed under the install prefix, so
# the Debian package installs under that same prefix (configure with
# -DCMAKE_INSTALL_PREFIX=/usr for a system package); the tarball holds the
# tree relative to it.
configure_file(${CMAKE_CURRENT_LIST_DIR}/CPackOptions.cmake.in
  ${PROJECT_BINARY_DIR}/CPackOptions.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackOptions.cmake)
set(CPACK_SOURCE_GENERATOR "")
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR "TGZ;DEB")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  # Finds the shared libraries the binaries link (libc, and utf8proc where
  # it is not linked in) and depends on their packages.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_GENERATOR "TGZ")
endif()
include(CPack)

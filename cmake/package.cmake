# The packages: `cpack -G DEB` in any Release build folder makes the Debian
# package, which installs the game as /usr/games/torvelkan and its data into
# /usr/share/games/torvelkan, as Debian keeps games; `cpack -G ZIP` in a
# Windows build folder makes the zip a Windows player unpacks anywhere.
set(TORVELKAN_PACKAGE_MAINTAINER "The Torvelkan developers <maintainers@torvelkan.invalid>"
  CACHE STRING "The Maintainer field of the Debian package: a name and an address")

set(CPACK_PACKAGE_NAME torvelkan)
set(CPACK_PACKAGE_VENDOR "The Torvelkan developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-player arena fighter for the text console")
set(CPACK_PACKAGE_DESCRIPTION [=[
Two disc-shaped fighters, blue and red, walk, jump, bite and shoot under
gravity in a small arena drawn with coloured character cells. Red is a
person on the arrow keys; blue is a second person on W, A, S, D, or an AI
that learns by imitating what the red player did.

It runs in any terminal of at least 80 columns and 50 rows with sixteen
colours and UTF-8. Terminals that speak the kitty keyboard protocol report
key releases, so two players can hold keys at once there.]=])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TORVELKAN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the binary links are found by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The files Debian wants in /usr/share/doc/<package>: the licence as a
# machine-readable copyright file, made from LICENSE so the text has one
# source, and a changelog. They go into the package only (component debian).
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE torvelkan_licence_lines)
set(torvelkan_copyright [=[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: torvelkan
Upstream-Contact: ]=])
string(APPEND torvelkan_copyright "${TORVELKAN_PACKAGE_MAINTAINER}\n\n"
  "Files: *\nCopyright: 2026 The Torvelkan developers\nLicense: Expat\n")
# The licence below its title and copyright lines, each line indented, an
# empty one as " .".
list(SUBLIST torvelkan_licence_lines 4 -1 torvelkan_licence_lines)
foreach(line IN LISTS torvelkan_licence_lines)
  if(line STREQUAL "")
    string(APPEND torvelkan_copyright " .\n")
  else()
    string(APPEND torvelkan_copyright " ${line}\n")
  endif()
endforeach()
set(torvelkan_debian_dir ${PROJECT_BINARY_DIR}/debian)
file(WRITE ${torvelkan_debian_dir}/copyright "${torvelkan_copyright}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)

# SOURCE_DATE_EPOCH, when set, fixes the date, so the package can be made
# again byte for byte.
string(TIMESTAMP torvelkan_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${torvelkan_debian_dir}/changelog.Debian
  "torvelkan (${PROJECT_VERSION}-1) unstable; urgency=medium\n\n"
  "  * Packaged from the upstream sources with CPack.\n\n"
  " -- ${TORVELKAN_PACKAGE_MAINTAINER}  ${torvelkan_changelog_date}\n")
install(FILES ${torvelkan_debian_dir}/copyright DESTINATION share/doc/torvelkan
  COMPONENT debian EXCLUDE_FROM_ALL)
if(TORVELKAN_GZIP)
  execute_process(COMMAND ${TORVELKAN_GZIP} -9 -n -c ${torvelkan_debian_dir}/changelog.Debian
    OUTPUT_FILE ${torvelkan_debian_dir}/changelog.Debian.gz)
  install(FILES ${torvelkan_debian_dir}/changelog.Debian.gz DESTINATION share/doc/torvelkan
    COMPONENT debian EXCLUDE_FROM_ALL)
endif()

# Which layout (cmake/install.cmake) each kind of package takes; read by cpack
# for each generator.
if(WIN32)
  set(torvelkan_package_system windows)
else()
  set(torvelkan_package_system posix)
endif()
configure_file(cmake/cpack-options.cmake.in ${PROJECT_BINARY_DIR}/cpack-options.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/cpack-options.cmake)

include(CPack)

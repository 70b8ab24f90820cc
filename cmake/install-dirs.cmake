# Where an install puts the game, and what the game must know of it to find its
# data: GNUInstallDirs' folders, and the data folder beside the binary.
#
# Debian installs games into /usr/games with their data in
# /usr/share/games/<name>: configured with -DCMAKE_INSTALL_BINDIR=games, the
# data folder follows (the Debian package made by cpack has these folders
# whatever is configured here: cmake/install.cmake). TORVELKAN_INSTALL_DATADIR
# sets it outright.

# The documentation folder is named after the program, as the package is.
set(CMAKE_INSTALL_DOCDIR "share/doc/torvelkan" CACHE PATH "Documentation (DATAROOTDIR/doc/torvelkan)")
include(GNUInstallDirs)

if(NOT TORVELKAN_INSTALL_DATADIR)
  get_filename_component(torvelkan_bindir_name "${CMAKE_INSTALL_BINDIR}" NAME)
  if(torvelkan_bindir_name STREQUAL "games")
    set(TORVELKAN_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/games/torvelkan")
  else()
    set(TORVELKAN_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/torvelkan")
  endif()
endif()

# The full paths as configured, and the way from the binary's folder to the
# data: an install moved to another prefix (cmake --install --prefix, or a
# folder copied elsewhere) still finds its data that way.
if(IS_ABSOLUTE "${TORVELKAN_INSTALL_DATADIR}")
  set(TORVELKAN_FULL_DATADIR "${TORVELKAN_INSTALL_DATADIR}")
else()
  set(TORVELKAN_FULL_DATADIR "${CMAKE_INSTALL_PREFIX}/${TORVELKAN_INSTALL_DATADIR}")
endif()
file(RELATIVE_PATH TORVELKAN_DATA_FROM_BINARY "${CMAKE_INSTALL_FULL_BINDIR}"
  "${TORVELKAN_FULL_DATADIR}")

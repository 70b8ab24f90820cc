# What `cmake --install` and cpack put where, as three layouts of the same
# files, each a component:
#   game, licence  the folders of cmake/install-dirs.cmake, for `cmake --install`
#                  (the licence a component of its own, which the Debian
#                  package leaves out for its copyright file);
#   debian         Debian's folders below /usr, for `cpack -G DEB` from any
#                  build folder (the copyright file and changelog are added in
#                  cmake/package.cmake);
#   windows        everything in one folder, the readme beside the program,
#                  for the Windows zip.
# The last two are installed only when asked for by name.

# The manual page, compressed without a time stamp where gzip is at hand, as
# the man pages of a system are. Made when configuring, so an install never
# depends on what was built; an edit of the page configures again.
if(NOT WIN32)
  set(torvelkan_man_page ${PROJECT_SOURCE_DIR}/doc/torvelkan.6)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${torvelkan_man_page})
  # The page's header names the version: a reminder when the project moves on.
  file(STRINGS ${torvelkan_man_page} torvelkan_man_title REGEX "^\\.TH ")
  if(NOT torvelkan_man_title MATCHES "\"Torvelkan ${PROJECT_VERSION}\"")
    message(WARNING "doc/torvelkan.6 does not name version ${PROJECT_VERSION} in its .TH line")
  endif()
  find_program(TORVELKAN_GZIP gzip)
  mark_as_advanced(TORVELKAN_GZIP)
  if(TORVELKAN_GZIP)
    set(torvelkan_man_gz ${PROJECT_BINARY_DIR}/torvelkan.6.gz)
    execute_process(COMMAND ${TORVELKAN_GZIP} -9 -n -c ${torvelkan_man_page}
      OUTPUT_FILE ${torvelkan_man_gz} RESULT_VARIABLE torvelkan_gzip_status)
    if(NOT torvelkan_gzip_status EQUAL 0)
      message(FATAL_ERROR "gzip could not compress ${torvelkan_man_page}")
    endif()
    set(torvelkan_man_page ${torvelkan_man_gz})
  endif()
endif()

# The game, its readme and README.md into the folders given; on POSIX systems
# also the manual page, and the desktop entry and its icon below SHARE.
function(torvelkan_install_layout component bin data doc man share)
  install(TARGETS torvelkan RUNTIME DESTINATION ${bin} COMPONENT ${component} ${ARGN})
  install(FILES Readme.txt DESTINATION ${data} COMPONENT ${component} ${ARGN})
  install(FILES README.md DESTINATION ${doc} COMPONENT ${component} ${ARGN})
  if(NOT WIN32)
    install(FILES ${torvelkan_man_page} DESTINATION ${man}/man6 COMPONENT ${component} ${ARGN})
    # The entry of desktop menus: the game opens in a terminal window.
    install(FILES dist/torvelkan.desktop DESTINATION ${share}/applications
      COMPONENT ${component} ${ARGN})
    install(FILES dist/torvelkan.svg DESTINATION ${share}/icons/hicolor/scalable/apps
      COMPONENT ${component} ${ARGN})
  endif()
endfunction()

torvelkan_install_layout(game ${CMAKE_INSTALL_BINDIR} ${TORVELKAN_INSTALL_DATADIR}
  ${CMAKE_INSTALL_DOCDIR} ${CMAKE_INSTALL_MANDIR} ${CMAKE_INSTALL_DATADIR})
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT licence)

if(WIN32)
  # A Windows player unpacks the zip and double-clicks what is there.
  torvelkan_install_layout(windows . . . . . EXCLUDE_FROM_ALL)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT windows EXCLUDE_FROM_ALL)
else()
  # Below the package's prefix, /usr (cmake/cpack-options.cmake.in). The game
  # finds its text there from its own folder's name
  # (src/screens/readme_places.cpp).
  set(torvelkan_debian_prefix /usr)
  torvelkan_install_layout(debian games share/games/torvelkan share/doc/torvelkan share/man
    share EXCLUDE_FROM_ALL)
  # Stripped as Debian strips: the compiler's name and version go too.
  if(CMAKE_STRIP)
    install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
      --remove-section=.note \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/games/torvelkan\"
      COMMAND_ERROR_IS_FATAL ANY)" COMPONENT debian EXCLUDE_FROM_ALL)
  endif()
  # The arena server's unit, naming the package's own program, in the folder
  # of the units packages ship (lintian takes /usr/lib and /lib alike, and
  # calls /usr/lib Debian's standard); the sshd block among the examples.
  # Nothing enables the service: the package has no maintainer scripts, so it
  # stays inactive until an operator runs systemctl enable --now
  # torvelkan-arena.
  set(TORVELKAN_SERVICE_BINARY ${torvelkan_debian_prefix}/games/torvelkan)
  configure_file(dist/torvelkan-arena.service.in
    ${PROJECT_BINARY_DIR}/debian/torvelkan-arena.service @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/debian/torvelkan-arena.service DESTINATION lib/systemd/system
    COMPONENT debian EXCLUDE_FROM_ALL)
  install(FILES dist/torvelkan-sshd.conf DESTINATION share/doc/torvelkan/examples
    COMPONENT debian EXCLUDE_FROM_ALL)
  # What lintian says of the package that is meant so, each with its reason.
  install(FILES dist/lintian-overrides DESTINATION share/lintian/overrides RENAME torvelkan
    COMPONENT debian EXCLUDE_FROM_ALL)
endif()

if(NOT WIN32)
  # The arena server as a systemd service, naming the game where it is
  # installed; inactive until enabled (systemctl enable --now torvelkan-arena).
  # The ssh front door's sshd block goes with the examples: an operator puts
  # it in /etc/ssh/sshd_config.d/ by choice.
  set(TORVELKAN_SERVICE_BINARY ${CMAKE_INSTALL_FULL_BINDIR}/torvelkan)
  configure_file(dist/torvelkan-arena.service.in ${PROJECT_BINARY_DIR}/torvelkan-arena.service
    @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/torvelkan-arena.service DESTINATION lib/systemd/system
    COMPONENT game)
  install(FILES dist/torvelkan-sshd.conf DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
    COMPONENT game)
endif()

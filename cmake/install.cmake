# What `cmake --install` puts where. The folders come from
# cmake/install-dirs.cmake; the component "licence" is the licence as a file of
# its own, which the Debian package leaves out for its copyright file.
install(TARGETS torvelkan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT game)
install(FILES Readme.txt DESTINATION ${TORVELKAN_INSTALL_DATADIR} COMPONENT game)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT game)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT licence)

if(NOT WIN32)
  # The manual page, compressed without a time stamp where gzip is at hand, as
  # the man pages of a system are. Made when configuring, so an install never
  # depends on what was built; an edit of the page configures again.
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
    install(FILES ${torvelkan_man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT game)
  else()
    install(FILES ${torvelkan_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT game)
  endif()

  # The entry of desktop menus: the game opens in a terminal window.
  install(FILES dist/torvelkan.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
    COMPONENT game)
  install(FILES dist/torvelkan.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    COMPONENT game)
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

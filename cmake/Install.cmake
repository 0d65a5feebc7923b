# What `cmake --install` puts where, and the two Debian packages CPack makes
# of it (cpack -G DEB in the build folder):
#
#   vasdesk-counter  the counter PC: the run directory /usr/lib/vasdesk with
#                    zphost, modules/, print/ and lib/ (the suite's client
#                    libraries), zphost in /usr/bin, the broker address in
#                    /etc/vasdesk/zpclient.ini (the run directory's
#                    zpclient.ini points there)
#   zpserver         the back end: /usr/bin/zpserver with its libraries in
#                    /usr/lib/zpserver, the systemd unit, /etc/zpserver/
#                    zpserver.conf, a system user and /var/lib/zpserver
#
# Every binary finds its libraries relative to itself ($ORIGIN), so the run
# directory works wherever it is unpacked.
set(VASDESK_RUN_INSTALL_DIR lib/vasdesk)
set(ZPSERVER_LIB_INSTALL_DIR lib/zpserver)

# Libraries of the counter, and those zpserver shares with it.
set(counter_libs zpclient zprecords zplookup zpguicommon publicbusi publicsysmgnt publicbusimgnt zpreport
                 zpreportprint zpsignin)
set(server_libs zpclient zprecords)

foreach(lib IN LISTS counter_libs)
  if(TARGET ${lib})
    set_target_properties(${lib} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${lib} LIBRARY DESTINATION ${VASDESK_RUN_INSTALL_DIR}/lib COMPONENT counter)
  endif()
endforeach()
foreach(lib IN LISTS server_libs)
  if(TARGET ${lib})
    install(TARGETS ${lib} LIBRARY DESTINATION ${ZPSERVER_LIB_INSTALL_DIR} COMPONENT server)
  endif()
endforeach()

if(TARGET zphost)
  set_target_properties(zphost PROPERTIES INSTALL_RPATH "$ORIGIN/lib")
  set_target_properties(vasdesk PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
  install(TARGETS zphost RUNTIME DESTINATION ${VASDESK_RUN_INSTALL_DIR} COMPONENT counter)
  install(TARGETS vasdesk LIBRARY DESTINATION ${VASDESK_RUN_INSTALL_DIR}/modules COMPONENT counter)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/print/ DESTINATION ${VASDESK_RUN_INSTALL_DIR}/print COMPONENT counter)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/counter/zpclient.ini DESTINATION /etc/vasdesk COMPONENT counter)
  # Relative links: they hold in a root unpacked anywhere (dpkg -x, a chroot).
  install(CODE "
    set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    file(MAKE_DIRECTORY \"\${root}/bin\")
    file(CREATE_LINK ../${VASDESK_RUN_INSTALL_DIR}/zphost \"\${root}/bin/zphost\" SYMBOLIC)
    file(CREATE_LINK ../../../etc/vasdesk/zpclient.ini \"\${root}/${VASDESK_RUN_INSTALL_DIR}/zpclient.ini\" SYMBOLIC)
  " COMPONENT counter)
endif()

if(TARGET zpserver)
  set_target_properties(zpserver PROPERTIES INSTALL_RPATH "$ORIGIN/../${ZPSERVER_LIB_INSTALL_DIR}")
  install(TARGETS zpserver RUNTIME DESTINATION bin COMPONENT server)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/server/zpserver.service DESTINATION /lib/systemd/system
          COMPONENT server)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/server/zpserver.conf DESTINATION /etc/zpserver COMPONENT server)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/server/zpserver.logrotate DESTINATION /etc/logrotate.d
          RENAME zpserver COMPONENT server)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/zpserver COMPONENT server)
endif()

# The Debian packages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vasdesk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "counter module team <vasdesk@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL counter server)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)

set(CPACK_DEBIAN_COUNTER_PACKAGE_NAME vasdesk-counter)
set(CPACK_COMPONENT_COUNTER_DESCRIPTION "New value-added services counter: zphost and its module
 The host shell zphost, the acceptance module, the suite's client libraries
 and the receipt and invoice templates, for a counter PC. The back end's
 address is set in /etc/vasdesk/zpclient.ini.")
set(CPACK_DEBIAN_COUNTER_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6printsupport6 (>= 6.4), libqt6test6 (>= 6.4), qt6-qpa-plugins, libstdc++6, libc6, fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_DEBIAN_COUNTER_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/packaging/counter/conffiles")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME zpserver)
set(CPACK_COMPONENT_SERVER_DESCRIPTION "Back end of the new value-added services counter
 zpserver, the broker and services the counters call, over SQLite (one file
 in /var/lib/zpserver) or PostgreSQL, run by systemd as user zpserver.
 Configuration: /etc/zpserver/zpserver.conf.")
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS
    "libsoci-core4.0, libsoci-sqlite3-4.0, libsoci-postgresql4.0, libsqlite3-0, libpq5, libstdc++6, libc6, adduser")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/packaging/server/conffiles;${PROJECT_SOURCE_DIR}/packaging/server/postinst;${PROJECT_SOURCE_DIR}/packaging/server/prerm;${PROJECT_SOURCE_DIR}/packaging/server/postrm")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

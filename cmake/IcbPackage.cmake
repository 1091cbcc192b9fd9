# Installation and the Debian package: the program, the README, the password-encoding script and the
# systemd template units that run one school per instance.
include(GNUInstallDirs)

install(TARGETS icbridge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(PROGRAMS scripts/encode-password.py DESTINATION ${CMAKE_INSTALL_DATADIR}/icbridge)
install(FILES packaging/systemd/school.env.example DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# The units name the program by its installed path, which is known only at install time: CPack
# installs under its own prefix, not the one the build was configured with.
set(ICB_UNIT_DIR lib/systemd/system)
foreach(unit icbridge@.service icbridge@.timer)
  install(CODE "
    set(ICB_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    set(ICB_DOCDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}\")
    set(unit_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ICB_UNIT_DIR}\")
    message(STATUS \"Installing: \${unit_dir}/${unit}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/packaging/systemd/${unit}\" \"\${unit_dir}/${unit}\" @ONLY)
  ")
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME icbridge)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "icbridge maintainers <icbridge@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Extraction bridge from an Infinite Campus database to the handheld product's import files")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6core6 (>= 6.4), libqt6xml6 (>= 6.4), libsqlite3-0, libodbc2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "tdsodbc, unixodbc, python3")
# The units run as the system user icbridge, which the package creates.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

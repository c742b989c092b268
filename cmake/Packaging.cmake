# What `make install` puts where (GNUInstallDirs), and the Debian package that
# `make package` builds from the same rules with CPack.
set(LINKWATCH_APP_ID com.example.linkwatch)
set(data_source ${PROJECT_SOURCE_DIR}/data)
set(data_build ${PROJECT_BINARY_DIR}/data)

foreach(program linkwatch linkwatch-cli)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

install(FILES ${data_source}/${LINKWATCH_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${data_source}/icons/${LINKWATCH_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${data_source}/icons/48x48/${LINKWATCH_APP_ID}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)

configure_file(${data_source}/${LINKWATCH_APP_ID}.metainfo.xml.in
    ${data_build}/${LINKWATCH_APP_ID}.metainfo.xml @ONLY)
install(FILES ${data_build}/${LINKWATCH_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The example site list seeds a new user's data folder on first start.
install(FILES ${PROJECT_SOURCE_DIR}/examples/帐号.ini DESTINATION ${CMAKE_INSTALL_DATADIR}/linkwatch)

# The man page is written in scdoc's plain-text format and turned into roff here.
find_program(SCDOC_EXECUTABLE scdoc REQUIRED)
configure_file(${data_source}/linkwatch-cli.1.scd.in ${data_build}/linkwatch-cli.1.scd @ONLY)
add_custom_command(OUTPUT ${data_build}/linkwatch-cli.1
    COMMAND ${CMAKE_COMMAND} -DSCDOC=${SCDOC_EXECUTABLE} -DINPUT=${data_build}/linkwatch-cli.1.scd
        -DOUTPUT=${data_build}/linkwatch-cli.1 -P ${PROJECT_SOURCE_DIR}/cmake/ScdocPage.cmake
    DEPENDS ${data_build}/linkwatch-cli.1.scd ${PROJECT_SOURCE_DIR}/cmake/ScdocPage.cmake
    COMMENT "Writing the man page linkwatch-cli.1"
    VERBATIM)
add_custom_target(linkwatch-man ALL DEPENDS ${data_build}/linkwatch-cli.1)
install(FILES ${data_build}/linkwatch-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME linkwatch)
set(CPACK_PACKAGE_VENDOR LinkWatch)
set(CPACK_PACKAGE_CONTACT "LinkWatch maintainers <linkwatch@linkwatch.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "LinkWatch fetches each active partner page of a site list with one HTTP GET and shows whether the "
    "page still carries the operator's link. A Chinese-language Qt desktop program, with linkwatch-cli "
    "as its headless companion.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# OpenSSL is loaded with dlopen on the first https fetch, so dpkg-shlibdeps
# cannot see it; the fonts are those the window's Chinese text is drawn with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3, fonts-wqy-microhei | fonts-noto-cjk | fonts-wqy-zenhei")
# The authorities an https web hook's certificate is checked against.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates")
include(CPack)

# Installation of the manual pages and the Debian package.
#
# The version has one source, the project version: the manual pages get it
# when they are configured, the package through CPack.

include(GNUInstallDirs)

# Directories made by an install get rwxr-xr-x whatever the umask of the
# installing user, as a package's file system tree must have.
set(simpson_directory_permissions
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${simpson_directory_permissions})

# Manual pages: English under man1, Japanese under ja/man1. Each is
# installed compressed by gzip -9n (no name or time stamp in the header), so
# the package is the same bytes for the same sources.
find_program(SIMPSON_GZIP gzip REQUIRED)
set(simpson_man_pages)
foreach(page doc/simpson.1 doc/ja/simpson.1)
  set(configured ${PROJECT_BINARY_DIR}/${page})
  configure_file(${PROJECT_SOURCE_DIR}/${page}.in ${configured} @ONLY)
  add_custom_command(
    OUTPUT ${configured}.gz
    COMMAND ${SIMPSON_GZIP} -9 -n -k -f ${configured}
    DEPENDS ${configured}
    COMMENT "Compressing ${page}"
    VERBATIM)
  list(APPEND simpson_man_pages ${configured}.gz)
endforeach()
add_custom_target(simpson_man_pages ALL DEPENDS ${simpson_man_pages})

install(FILES ${PROJECT_BINARY_DIR}/doc/simpson.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/doc/ja/simpson.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)

# The Debian package: cpack -G DEB in the build directory makes
# simpson_<version>_<architecture>.deb, installing under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME simpson)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Seed 7ba28c37 maintainers <maintainers@users.noreply.c-seed-7ba28c37.example>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "definite integrals by the composite Simpson rule, in Japanese")
set(CPACK_PACKAGE_DESCRIPTION
    "simpson is an interactive console program that computes a definite integral
by the composite Simpson rule. The integrand is y = x^2, y = sin x, or values
typed in at each abscissa; the interval and the numbers of divisions are read
from standard input, and each result is printed with five decimals.

All its texts, error reports included, are Japanese in Shift_JIS (code page
932); on a UTF-8 terminal it runs under luit -encoding SJIS.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is derived from the libraries the executable links (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${simpson_directory_permissions})
include(CPack)

# Install rules and the Debian package: `cpack -G DEB` in the build folder makes
# reg01_<version>_<arch>.deb with both programs, the menu entry, the icon, the AppStream
# metadata, the manual pages and the documents Debian asks for.
include(GNUInstallDirs)

set(REG01_APP_ID "example.orvant.reg01" CACHE STRING
  "Reverse-DNS name of the desktop entry, the icon and the AppStream metadata")
set(REG01_HOMEPAGE "https://www.orvant.example/" CACHE STRING "The maker's web site")
set(REG01_SCREENSHOT_URL "https://www.orvant.example/reg01/screenshots" CACHE STRING
  "Where the screenshots of docs/ are published, for the AppStream metadata")
set(REG01_MAINTAINER "NPP ORVANT <info@orvant.example>")

set(pkg_src ${CMAKE_SOURCE_DIR}/packaging)
set(pkg_out ${CMAKE_BINARY_DIR}/packaging)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/reg01)

# Dates of the release: the time of the last commit (or SOURCE_DATE_EPOCH when the builder
# sets it), so that the same sources make the same package on any day.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE commit_time
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(commit_time MATCHES "^[0-9]+$")
      set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
    endif()
  endif()
endif()
string(TIMESTAMP REG01_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP REG01_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

configure_file(${pkg_src}/reg01.desktop.in ${pkg_out}/${REG01_APP_ID}.desktop @ONLY)
configure_file(${pkg_src}/reg01.metainfo.xml.in ${pkg_out}/${REG01_APP_ID}.metainfo.xml @ONLY)
configure_file(${pkg_src}/changelog.in ${pkg_out}/changelog @ONLY)

# Manual pages and the changelog go in compressed, without a time stamp in the gzip header.
set(gz_files)
foreach(pair "${pkg_src}/reg01.1|reg01.1.gz" "${pkg_src}/instrument-sim.1|instrument-sim.1.gz"
             "${pkg_out}/changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 in)
  list(GET pair 1 out)
  add_custom_command(OUTPUT ${pkg_out}/${out}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${in} ${pkg_out}/${out}
    DEPENDS ${in} VERBATIM)
  list(APPEND gz_files ${pkg_out}/${out})
endforeach()

# The icon: drawn once as SVG, the PNG sizes rendered from it at build time.
set(icon_sizes 16 22 24 32 48 64 128 256)
set(icon_pngs)
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  foreach(size ${icon_sizes})
    set(png ${pkg_out}/icons/${size}/${REG01_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${pkg_out}/icons/${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${pkg_src}/reg01.svg
      DEPENDS ${pkg_src}/reg01.svg VERBATIM)
    list(APPEND icon_pngs ${png})
  endforeach()
else()
  message(WARNING "rsvg-convert not found (Debian package librsvg2-bin): the package will "
    "carry the SVG icon only")
endif()
add_custom_target(reg01-package-files ALL DEPENDS ${gz_files} ${icon_pngs})

install(TARGETS reg01 instrument-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${pkg_out}/${REG01_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${pkg_out}/${REG01_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${pkg_src}/reg01.svg RENAME ${REG01_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
if(RSVG_CONVERT)
  foreach(size ${icon_sizes})
    install(FILES ${pkg_out}/icons/${size}/${REG01_APP_ID}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()
install(FILES ${pkg_out}/reg01.1.gz ${pkg_out}/instrument-sim.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${pkg_src}/copyright ${pkg_out}/changelog.gz DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME reg01)
set(CPACK_PACKAGE_VENDOR "NPP ORVANT")
set(CPACK_PACKAGE_CONTACT "info@orvant.example")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "registration of milk-analyser results")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${pkg_src}/description.txt)
set(CPACK_PACKAGE_INSTALL_DIRECTORY reg01)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${REG01_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${REG01_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Russian texts in Qt's own dialogs, and the narrow face the windows are laid out for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-dejavu-extra")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Nothing of the build folder or the checkout's history in a source package.
set(CPACK_SOURCE_IGNORE_FILES "/[.]git" "/build[^/]*/" "/[.]cache/")
include(CPack)

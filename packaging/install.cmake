# Installation and the Debian package.
#
# The layout is fixed below the prefix: the window finds its manual at
# ../share/quorvel/manual.html from its own folder, in the build tree as once
# installed, so bin/ and share/ stay side by side whatever the prefix.

install(TARGETS qvl RUNTIME DESTINATION bin)
if(QUORVEL_GUI)
  install(TARGETS quorvel RUNTIME DESTINATION bin)
endif()
# A stripped install (the package's) also drops the compilers' version notes, as
# Debian's own packages do: nothing reads them.
install(CODE "set(quorvel_objcopy \"${CMAKE_OBJCOPY}\")")
install(CODE [[
  if(CMAKE_INSTALL_DO_STRIP AND quorvel_objcopy)
    foreach(program qvl quorvel)
      set(path "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/${program}")
      if(EXISTS "${path}")
        execute_process(COMMAND "${quorvel_objcopy}" --remove-section=.comment "${path}" RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
          message(FATAL_ERROR "objcopy --remove-section=.comment ${path} failed: ${result}")
        endif()
      endif()
    endforeach()
  endif()
]])
if(QUORVEL_GUI)
  install(FILES ${CMAKE_BINARY_DIR}/share/applications/quorvel.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_BINARY_DIR}/share/mime/packages/quorvel.xml DESTINATION share/mime/packages)
  foreach(size ${QUORVEL_ICON_SIZES})
    install(FILES ${CMAKE_BINARY_DIR}/share/icons/hicolor/${size}x${size}/apps/quorvel.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/docs/manual.html DESTINATION share/quorvel)
  # What lintian would say of that manual's place, and why it stays there.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides DESTINATION share/lintian/overrides
          RENAME quorvel)
  install(FILES ${QUORVEL_MANUAL_IMAGES} DESTINATION share/quorvel/images)
endif()
# The manual pages, the changelog and the copyright, where Debian wants them:
# the pages and the changelog compressed, without a time stamp in the gzip header
# so that two builds of the same source give the same package.
set(QUORVEL_PACKAGE_MAINTAINER "The Quorvel developers <maintainers@quorvel.invalid>" CACHE STRING
    "The package's Maintainer; the project has no mail address yet, so the default names a host that
    can never exist (.invalid) rather than one that may belong to someone. A packager gives their own.")
find_program(QUORVEL_GZIP gzip REQUIRED)
function(quorvel_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man1 ${CMAKE_BINARY_DIR}/share/doc/quorvel
    COMMAND sh -c "\"$0\" -9nc \"$1\" > \"$2\"" ${QUORVEL_GZIP} ${source} ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
set(quorvel_compressed
    ${CMAKE_BINARY_DIR}/share/man/man1/qvl.1.gz ${CMAKE_BINARY_DIR}/share/doc/quorvel/changelog.gz)
quorvel_gzip(${PROJECT_SOURCE_DIR}/docs/qvl.1 ${CMAKE_BINARY_DIR}/share/man/man1/qvl.1.gz)
quorvel_gzip(${CMAKE_BINARY_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/share/doc/quorvel/changelog.gz)
if(QUORVEL_GUI)
  quorvel_gzip(${PROJECT_SOURCE_DIR}/docs/quorvel.1 ${CMAKE_BINARY_DIR}/share/man/man1/quorvel.1.gz)
  list(APPEND quorvel_compressed ${CMAKE_BINARY_DIR}/share/man/man1/quorvel.1.gz)
endif()
add_custom_target(quorvel_compressed_docs ALL DEPENDS ${quorvel_compressed})
install(FILES ${CMAKE_BINARY_DIR}/share/man/man1/qvl.1.gz DESTINATION share/man/man1)
if(QUORVEL_GUI)
  install(FILES ${CMAKE_BINARY_DIR}/share/man/man1/quorvel.1.gz DESTINATION share/man/man1)
endif()
install(FILES ${CMAKE_BINARY_DIR}/share/doc/quorvel/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
              ${PROJECT_SOURCE_DIR}/docs/qvl.md ${PROJECT_SOURCE_DIR}/docs/profiles.md
              ${PROJECT_SOURCE_DIR}/docs/format.md
        DESTINATION share/doc/quorvel)

# An install straight into a prefix rebuilds that prefix's MIME and application
# caches, so the desktop knows ".qvl" at once. A staged install (DESTDIR, as
# packagers and CPack do) leaves them alone: the caches belong to the system,
# whose packages rebuild them on their own triggers.
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    find_program(quorvel_update_mime update-mime-database)
    find_program(quorvel_update_desktop update-desktop-database)
    if(quorvel_update_mime)
      execute_process(COMMAND ${quorvel_update_mime} "${CMAKE_INSTALL_PREFIX}/share/mime"
                      RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
      if(NOT result EQUAL 0)
        message(STATUS "update-mime-database ${CMAKE_INSTALL_PREFIX}/share/mime failed: ${result}")
      endif()
    endif()
    if(quorvel_update_desktop)
      execute_process(COMMAND ${quorvel_update_desktop} -q "${CMAKE_INSTALL_PREFIX}/share/applications"
                      RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
      if(NOT result EQUAL 0)
        message(STATUS "update-desktop-database ${CMAKE_INSTALL_PREFIX}/share/applications failed: ${result}")
      endif()
    endif()
  endif()
]])

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_CONTACT "${QUORVEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Back up and restore Internet Explorer favorites and settings")
# The summary is the first line of the package's description; this follows it.
set(CPACK_PACKAGE_DESCRIPTION [=[Quorvel saves a Windows user's Internet Explorer favorites (every file below
the Favorites folder) and settings (every registry value below the Internet
Explorer key of HKEY_CURRENT_USER) into one .qvl archive, optionally
compressed and password-protected, and puts them back. On Linux a profile
folder, such as a mounted Windows disk's Users/NAME, plays the user's profile.

This package holds the window (quorvel) and the command line (qvl).]=])
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# dpkg-shlibdeps names every library the binaries link with, versions included;
# without it (a machine without dpkg-dev) the libraries are named by hand.
find_program(QUORVEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(QUORVEL_FILE_TOOL file)
if(QUORVEL_DPKG_SHLIBDEPS AND QUORVEL_FILE_TOOL)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "liblzma5, libssl3, libhivex0, libqt6widgets6, libqt6gui6, libqt6core6, libstdc++6, libc6")
endif()
# They rebuild the caches and open archives from a file manager.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme, xdg-utils")
include(CPack)

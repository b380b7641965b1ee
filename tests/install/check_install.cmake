# An install into a temporary prefix holds every file the program and the desktop
# need, the installed window answers, and a staged (DESTDIR) install leaves the
# desktop's caches to the system.
#
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -P check_install.cmake

function(fail message)
  message(FATAL_ERROR "install check: ${message}")
endfunction()

set(prefix "${WORK_DIR}/prefix")
set(stage "${WORK_DIR}/stage")
file(REMOVE_RECURSE "${WORK_DIR}")

execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  fail("cmake --install failed: ${errors}")
endif()

# A build without the window installs qvl and its manual page alone.
if(NOT WITH_GUI)
  execute_process(COMMAND "${prefix}/bin/qvl" --help RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(NOT result EQUAL 0)
    fail("qvl --help gave ${result}")
  endif()
  foreach(file share/man/man1/qvl.1.gz share/doc/quorvel/copyright share/doc/quorvel/changelog.gz)
    if(NOT EXISTS "${prefix}/${file}")
      fail("${file} is missing below the prefix")
    endif()
  endforeach()
  if(EXISTS "${prefix}/bin/quorvel" OR EXISTS "${prefix}/share/applications"
     OR EXISTS "${prefix}/share/man/man1/quorvel.1.gz")
    fail("a build without the window installed the window's files")
  endif()
  file(REMOVE_RECURSE "${WORK_DIR}")
  message(STATUS "install check: qvl alone, as built")
  return()
endif()

set(expected
  bin/quorvel
  bin/qvl
  share/applications/quorvel.desktop
  share/mime/packages/quorvel.xml
  share/quorvel/manual.html
  share/man/man1/qvl.1.gz
  share/man/man1/quorvel.1.gz
  share/doc/quorvel/copyright
  share/doc/quorvel/changelog.gz
  share/doc/quorvel/qvl.md)
foreach(size 16 24 48 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/quorvel.png)
endforeach()
file(GLOB images RELATIVE "${SOURCE_DIR}/docs" "${SOURCE_DIR}/docs/images/*.png")
foreach(image ${images})
  list(APPEND expected share/quorvel/${image})
endforeach()
foreach(file ${expected})
  if(NOT EXISTS "${prefix}/${file}")
    fail("${file} is missing below the prefix")
  endif()
endforeach()

# Every image the manual shows is installed beside it.
file(READ "${prefix}/share/quorvel/manual.html" manual)
string(REGEX MATCHALL "src=\"[^\"]+\"" sources "${manual}")
foreach(source ${sources})
  string(REGEX REPLACE "src=\"([^\"]+)\"" "\\1" image "${source}")
  if(NOT EXISTS "${prefix}/share/quorvel/${image}")
    fail("the manual shows ${image}, which is not installed")
  endif()
endforeach()

file(READ "${prefix}/share/applications/quorvel.desktop" entry)
foreach(line "Exec=quorvel %f" "MimeType=application/x-quorvel-archive;" "Icon=quorvel"
             "Categories=Utility;Archiving;")
  string(FIND "${entry}" "\n${line}\n" found)
  if(found EQUAL -1)
    fail("the desktop entry lacks \"${line}\"")
  endif()
endforeach()
find_program(validate desktop-file-validate)
if(validate)
  execute_process(COMMAND ${validate} "${prefix}/share/applications/quorvel.desktop"
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    fail("desktop-file-validate: ${output}")
  endif()
endif()

# The manual pages and the changelog are compressed as Debian wants them: gzip
# without a time stamp, so that two builds give the same bytes; qvl's is docs/qvl.1.
foreach(file share/man/man1/qvl.1.gz share/man/man1/quorvel.1.gz share/doc/quorvel/changelog.gz)
  file(READ "${prefix}/${file}" head LIMIT 8 HEX)
  if(NOT head MATCHES "^1f8b08..00000000$")
    fail("${file} is not gzip without a time stamp: ${head}")
  endif()
endforeach()
execute_process(COMMAND gzip -dc "${prefix}/share/man/man1/qvl.1.gz" OUTPUT_VARIABLE page)
file(READ "${SOURCE_DIR}/docs/qvl.1" source_page)
if(NOT page STREQUAL source_page)
  fail("share/man/man1/qvl.1.gz is not docs/qvl.1")
endif()
# Every option of quorvel --help is in its manual page.
execute_process(COMMAND gzip -dc "${prefix}/share/man/man1/quorvel.1.gz" OUTPUT_VARIABLE page)
execute_process(COMMAND "${prefix}/bin/quorvel" --help OUTPUT_VARIABLE usage)
string(REGEX MATCHALL "--[a-z-]+" options "${usage}")
list(REMOVE_DUPLICATES options)
foreach(option ${options})
  string(REPLACE "-" "\\-" roff "${option}")
  string(FIND "${page}" "${roff}" found)
  if(found EQUAL -1)
    fail("quorvel --help names ${option}, its manual page does not")
  endif()
endforeach()

# Runs without a display: it answers before Qt starts.
execute_process(COMMAND "${prefix}/bin/quorvel" --version RESULT_VARIABLE result OUTPUT_VARIABLE version)
if(NOT result EQUAL 0 OR NOT version MATCHES "^quorvel [0-9]+\\.[0-9]+\\.[0-9]+\n$")
  fail("quorvel --version gave ${result}: ${version}")
endif()
execute_process(COMMAND "${prefix}/bin/qvl" --help RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  fail("qvl --help gave ${result}")
endif()

# An install straight into a prefix rebuilt its caches; a staged one did not.
find_program(update_mime update-mime-database)
if(update_mime AND NOT EXISTS "${prefix}/share/mime/application/x-quorvel-archive.xml")
  fail("the prefix's MIME cache was not rebuilt")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${stage}
                        ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix /usr
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  fail("a staged install failed: ${errors}")
endif()
if(NOT EXISTS "${stage}/usr/share/mime/packages/quorvel.xml")
  fail("a staged install lacks its MIME package")
endif()
if(EXISTS "${stage}/usr/share/mime/mime.cache" OR EXISTS "${stage}/usr/share/applications/mimeinfo.cache")
  fail("a staged install wrote the system's caches")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
list(LENGTH expected count)
message(STATUS "install check: the prefix held all ${count} files")

# Fails when an include points up a layer or when the engine reaches the OS past
# the platform. The layers, lowest first:
#   platform  processors  store  sources  jobs  cli | app | demo
# A file includes only its own layer and those below it; the front ends (cli/,
# app/, and demo/, which makes the demo profile) do not include each other. Below
# the front ends nothing includes platform/linux/ or platform/win32/ (the engine
# knows the platform's contract alone), a system or Qt header, or reads the
# environment. Windows' own headers belong to platform/win32/ and the Win32 window
# (app/win32/) alone: every other front end reaches Windows through the platform.
#
# cmake -DSOURCE_DIR=... -P check_layers.cmake

set(ranks platform 0 processors 1 store 2 sources 3 jobs 4 cli 5 app 5 demo 5 packaging 6)
function(rank_of layer out)
  list(FIND ranks ${layer} index)
  if(index EQUAL -1)
    set(${out} -1 PARENT_SCOPE)
  else()
    math(EXPR value "${index} + 1")
    list(GET ranks ${value} rank)
    set(${out} ${rank} PARENT_SCOPE)
  endif()
endfunction()

set(problems "")
file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}"
     "${SOURCE_DIR}/platform/*.h" "${SOURCE_DIR}/platform/*.cpp"
     "${SOURCE_DIR}/processors/*.h" "${SOURCE_DIR}/processors/*.cpp"
     "${SOURCE_DIR}/store/*.h" "${SOURCE_DIR}/store/*.cpp"
     "${SOURCE_DIR}/sources/*.h" "${SOURCE_DIR}/sources/*.cpp"
     "${SOURCE_DIR}/jobs/*.h" "${SOURCE_DIR}/jobs/*.cpp"
     "${SOURCE_DIR}/cli/*.h" "${SOURCE_DIR}/cli/*.cpp"
     "${SOURCE_DIR}/app/*.h" "${SOURCE_DIR}/app/*.cpp"
     "${SOURCE_DIR}/demo/*.h" "${SOURCE_DIR}/demo/*.cpp"
     "${SOURCE_DIR}/packaging/*.cpp")
foreach(file ${files})
  string(REGEX MATCH "^[a-z]+" layer "${file}")
  rank_of(${layer} own)
  set(in_linux FALSE)
  if(file MATCHES "^platform/linux/")
    set(in_linux TRUE)
  endif()
  set(in_win32 FALSE)
  if(file MATCHES "^platform/win32/")
    set(in_win32 TRUE)
  endif()
  # The Win32 window speaks to Windows itself, as the Qt window speaks to Qt.
  set(in_win32_window FALSE)
  if(file MATCHES "^app/win32/")
    set(in_win32_window TRUE)
  endif()
  set(below_front_ends FALSE)
  if(own LESS 5 AND NOT in_linux AND NOT in_win32)
    set(below_front_ends TRUE)
  endif()

  file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include|getenv[ \t]*\\(")
  foreach(line ${lines})
    if(line MATCHES "#[ \t]*include[ \t]*\"([a-z_]+)/([^\"]*)\"")
      set(target_layer ${CMAKE_MATCH_1})
      set(target_path "${CMAKE_MATCH_1}/${CMAKE_MATCH_2}")
      rank_of(${target_layer} target)
      if(target GREATER own)
        list(APPEND problems "${file} includes ${target_path}, a layer above its own")
      elseif(target EQUAL own AND NOT target_layer STREQUAL layer AND NOT target_layer STREQUAL "tests")
        list(APPEND problems "${file} includes ${target_path}: the front ends do not include each other")
      endif()
      if(target_path MATCHES "^platform/linux/" AND own LESS 5 AND NOT in_linux)
        list(APPEND problems "${file} includes ${target_path}: below the front ends only the contract is known")
      endif()
      if(target_path MATCHES "^app/win32/" AND NOT in_win32_window)
        list(APPEND problems "${file} includes ${target_path}: the Qt window and the Win32 window do not include each other")
      endif()
      if(target_path MATCHES "^platform/win32/" AND own LESS 5 AND NOT in_win32)
        list(APPEND problems "${file} includes ${target_path}: below the front ends only the contract is known")
      endif()
    elseif(NOT in_win32 AND NOT in_win32_window AND line MATCHES "#[ \t]*include[ \t]*<(windows|winbase|winreg|winnt|winerror|winuser|wincon|windef|shlobj|shlwapi|shellapi|objbase|ole2|commctrl|commdlg|aclapi|sddl|io|processthreadsapi|fileapi|handleapi|synchapi)\\.h>")
      list(APPEND problems "${file} includes <${CMAKE_MATCH_1}.h>, a Windows header, which only platform/win32/ may")
    elseif(in_win32_window AND line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*)>")
      list(APPEND problems "${file} includes <${CMAKE_MATCH_1}>: the Win32 window has no Qt")
    elseif(below_front_ends AND line MATCHES "#[ \t]*include[ \t]*<(unistd|fcntl|dirent|signal|termios|pwd|dlfcn|spawn|poll|hivex|windows|filesystem|sys/[a-z]+|Q[A-Za-z]*)(\\.h)?>")
      list(APPEND problems "${file} includes <${CMAKE_MATCH_1}>, which only platform/linux/, platform/win32/ (or the window, Qt) may")
    elseif(below_front_ends AND line MATCHES "getenv[ \t]*\\(")
      list(APPEND problems "${file} reads the environment, which only the front ends do")
    endif()
  endforeach()
endforeach()

# The platform contract's tests hold every implementation to the same promises, so
# they know only the contract; each implementation's harness is the exception.
file(GLOB contract_tests RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/tests/platform/contract/*")
foreach(file ${contract_tests})
  if(file MATCHES "_harness\\.h$" OR file MATCHES "platforms_under_test\\.cpp$")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "#[ \t]*include[ \t]*\"platform/(linux|win32)/")
  if(lines)
    list(APPEND problems "${file} includes a platform's own folder: a contract test knows the contract alone")
  endif()
endforeach()

list(LENGTH files count)
if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "layers: \n  ${text}")
endif()
message(STATUS "layers: ${count} files, every include points down")

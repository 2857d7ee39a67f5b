# Which folders an installation made, so that uninstalling removes those and no other: run by
# `cmake --install` before the first file (AVILUMA_FOLDERS_STEP "before": which folders on the way to
# each destination exist already) and after the last ("after": the others, deepest first, into
# install_folders.txt beside install_manifest.txt). A folder that was there before, such as the
# /usr/local/share/man Debian makes, is never listed; one listed by an earlier installation stays
# listed. Package builds (a DESTDIR, CPack's staging) leave the list alone.
if(NOT "$ENV{DESTDIR}" STREQUAL "" OR CMAKE_INSTALL_PREFIX MATCHES "/_CPack_Packages/")
  return()
endif()

if(AVILUMA_FOLDERS_STEP STREQUAL "before")
  # Every destination of this installation, as cmake_install.cmake names them.
  file(STRINGS "${AVILUMA_BUILD}/cmake_install.cmake" lines REGEX "DESTINATION \"\\\${CMAKE_INSTALL_PREFIX}/")
  set(destinations ${AVILUMA_MORE_DESTINATIONS})
  foreach(line IN LISTS lines)
    if(line MATCHES "DESTINATION \"\\\${CMAKE_INSTALL_PREFIX}/([^\"]+)\"")
      list(APPEND destinations "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  set(AVILUMA_FOLDERS_MADE "")
  foreach(folder IN LISTS destinations)
    while(folder AND NOT IS_DIRECTORY "${CMAKE_INSTALL_PREFIX}/${folder}")
      list(APPEND AVILUMA_FOLDERS_MADE "${CMAKE_INSTALL_PREFIX}/${folder}")
      get_filename_component(folder "${folder}" DIRECTORY)
    endwhile()
  endforeach()
  return()
endif()

set(list_file "${AVILUMA_BUILD}/install_folders.txt")
if(EXISTS "${list_file}")
  file(STRINGS "${list_file}" earlier)
  list(APPEND AVILUMA_FOLDERS_MADE ${earlier})
endif()
set(made "")
foreach(folder IN LISTS AVILUMA_FOLDERS_MADE)
  if(IS_DIRECTORY "${folder}")
    list(APPEND made "${folder}")
  endif()
endforeach()
list(REMOVE_DUPLICATES made)
list(SORT made ORDER DESCENDING) # a folder's own folders sort after it: these come first
list(TRANSFORM made APPEND "\n")
list(JOIN made "" text)
file(WRITE "${list_file}" "${text}")

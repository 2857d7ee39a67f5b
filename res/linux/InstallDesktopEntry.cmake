# Run by cmake --install (and so by cpack): writes the desktop entry with the installed program's full
# path and installs it. AVILUMA_APP_ID, AVILUMA_BINDIR, AVILUMA_DATADIR, AVILUMA_DESKTOP_IN and
# AVILUMA_STAGE come from the install(CODE) before it.
foreach(dir BINDIR DATADIR)
  if(IS_ABSOLUTE "${AVILUMA_${dir}}")
    set(${dir} "${AVILUMA_${dir}}")
  else()
    set(${dir} "${CMAKE_INSTALL_PREFIX}/${AVILUMA_${dir}}")
  endif()
endforeach()
set(program "${BINDIR}/aviluma")
if(program MATCHES "[\n\r]")
  message(FATAL_ERROR "the desktop entry cannot name a program whose path has a line break: ${program}")
endif()
# Exec takes the path as one quoted argument: inside the quotes ", `, $ and \ take a backslash, then
# the value's own escaping doubles every backslash, and % is doubled for the field codes.
string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" quoted "${program}")
string(REPLACE "\\" "\\\\" quoted "${quoted}")
string(REPLACE "%" "%%" quoted "${quoted}")
set(AVILUMA_EXEC "\"${quoted}\"")
configure_file("${AVILUMA_DESKTOP_IN}" "${AVILUMA_STAGE}/${AVILUMA_APP_ID}.desktop" @ONLY)
file(INSTALL DESTINATION "${DATADIR}/applications" TYPE FILE FILES "${AVILUMA_STAGE}/${AVILUMA_APP_ID}.desktop")

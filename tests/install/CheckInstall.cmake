# Installs the build into a scratch prefix and checks the standard layout, the desktop files against
# their validators (when installed), and the programs' --help and --version without a display.
# Last, the README's lines that uninstall it, as they stand, leave what was there before and no more.
# Run by CTest: cmake -DBUILD=<build> -DPREFIX=<scratch> -DAPP_ID=<id> -DVERSION=<x.y> -DREADME=<README.md>
#   -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}" "${BUILD}/install_folders.txt")
# What was there before: a folder Debian's base-files makes, and another program's desktop entry.
file(MAKE_DIRECTORY "${PREFIX}/share/man")
file(WRITE "${PREFIX}/share/applications/other.desktop" "")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}" RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(desktop share/applications/${APP_ID}.desktop)
set(metainfo share/metainfo/${APP_ID}.metainfo.xml)
foreach(path bin/aviluma bin/aviluma-drone bin/aviluma-class ${desktop} ${metainfo} lib/udev/rules.d/60-aviluma-drone.rules
             share/icons/hicolor/scalable/apps/${APP_ID}.svg share/icons/hicolor/48x48/apps/${APP_ID}.png
             share/icons/hicolor/256x256/apps/${APP_ID}.png share/doc/aviluma/copyright share/doc/aviluma/changelog.gz share/doc/aviluma/README.md.gz
             share/aviluma/Source/back.png share/aviluma/Source/pannel.png share/aviluma/Source/plane.png
             share/aviluma/Source/pointer.png share/aviluma/Source/back2.png share/aviluma/Source/pannel2.png
             share/aviluma/Source/pointer2.png share/aviluma/Source/plane@2x.png share/aviluma/Source/back2@3x.png
             share/man/man6/aviluma.6.gz share/man/man6/aviluma-drone.6.gz share/man/man6/aviluma-class.6.gz
             share/man/zh_CN/man6/aviluma.6.gz share/man/zh_CN/man6/aviluma-drone.6.gz
             share/man/zh_CN/man6/aviluma-class.6.gz)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "missing from the installation: ${path}")
  endif()
endforeach()
# Nothing for the players' files: installed by root, they would be root's; each player keeps their own.
foreach(folder bin/Data bin/Record Data Record)
  if(EXISTS "${PREFIX}/${folder}")
    message(FATAL_ERROR "the installation must not lay out ${folder}/")
  endif()
endforeach()

# The entry starts the installed program by its path, quoted (the prefix here has a space in it), and
# names its icon by the application id, as the icon theme holds it.
file(READ "${PREFIX}/${desktop}" entry)
if(NOT entry MATCHES "\nExec=\"${PREFIX}/bin/aviluma\"\n" OR NOT entry MATCHES "\nIcon=${APP_ID}\n")
  message(FATAL_ERROR "the desktop entry does not name the installed program and its icon:\n${entry}")
endif()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} "${PREFIX}/${desktop}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0 OR out MATCHES "error")
    message(FATAL_ERROR "desktop-file-validate:\n${out}")
  endif()
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND ${APPSTREAMCLI} validate --no-net "${PREFIX}/${metainfo}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate:\n${out}")
  endif()
endif()

# Both programs answer --version and --help without a display, and exit 0.
foreach(program aviluma aviluma-drone aviluma-class)
  foreach(option --version --help)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                            --unset=QT_QPA_PLATFORM LC_ALL=C.UTF-8 "${PREFIX}/bin/${program}" ${option}
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${program} ${option} ended with ${result}:\n${out}${err}")
    endif()
    if(option STREQUAL "--version" AND NOT out STREQUAL "${program} ${VERSION}\n")
      message(FATAL_ERROR "${program} --version printed \"${out}\", not \"${program} ${VERSION}\"")
    endif()
    if(option STREQUAL "--help" AND NOT out MATCHES "^Usage: [^\n]*${program} \\[options\\]")
      message(FATAL_ERROR "${program} --help printed:\n${out}")
    endif()
  endforeach()
endforeach()
# In a Chinese terminal the help is Chinese, Qt's own lines of it too.
foreach(program aviluma aviluma-drone aviluma-class)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY LANG=zh_CN.UTF-8
                          LC_ALL=zh_CN.UTF-8 "${PREFIX}/bin/${program}" --help OUTPUT_VARIABLE out)
  if(NOT out MATCHES "Aviluma[ ]?[的：]" OR out MATCHES "Displays")
    message(FATAL_ERROR "${program} --help in a Chinese terminal printed:\n${out}")
  endif()
endforeach()
# Without a display the game says so in one line and ends, instead of Qt aborting.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                        "${PREFIX}/bin/aviluma" RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 1 OR NOT err MATCHES "^aviluma: no display found[^\n]*\n$")
  message(FATAL_ERROR "aviluma without a display ended with ${result}:\n${err}")
endif()
# A Wayland session whose display is gone, and a platform Qt cannot start: one line each, no abort.
foreach(environment "WAYLAND_DISPLAY=aviluma-no-such-display;XDG_RUNTIME_DIR=${PREFIX}"
                    "QT_QPA_PLATFORM=aviluma-no-such-platform")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                          ${environment} "${PREFIX}/bin/aviluma" RESULT_VARIABLE result ERROR_VARIABLE err)
  if(NOT result EQUAL 1 OR NOT err MATCHES "^aviluma: [^\n]*(not there|cannot open a window)[^\n]*\n$")
    message(FATAL_ERROR "aviluma with ${environment} ended with ${result}:\n${err}")
  endif()
endforeach()

# The README's uninstalling, run from a folder whose build/release is this build, sudo standing aside.
file(READ "${README}" readme)
string(REGEX MATCH "\n## Uninstalling\n[^#]*" section "${readme}")
string(REGEX MATCHALL "```sh\n[^`]*```" blocks "${section}")
string(REPLACE "```sh\n" "" lines "${blocks}")
string(REPLACE "```" "" lines "${lines}")
if(NOT lines MATCHES "install_manifest\\.txt")
  message(FATAL_ERROR "the README's section Uninstalling has no lines that remove what was installed")
endif()
file(MAKE_DIRECTORY "${PREFIX} readme/build")
file(CREATE_LINK "${BUILD}" "${PREFIX} readme/build/release" SYMBOLIC)
execute_process(COMMAND bash -euo pipefail -c "sudo() { \"$@\"; }\n${lines}"
                WORKING_DIRECTORY "${PREFIX} readme" RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE err)
file(REMOVE_RECURSE "${PREFIX} readme")
file(GLOB_RECURSE left LIST_DIRECTORIES true RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT left)
if(NOT result EQUAL 0 OR NOT left STREQUAL "share;share/applications;share/applications/other.desktop;share/man")
  message(FATAL_ERROR "the README's uninstalling ended with ${result} (${err}) and left:\n${left}")
endif()

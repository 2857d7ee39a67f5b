# Builds the Debian package with CPack and checks what it holds and asks for. Prints "SKIPPED:" (and
# CTest counts the test as skipped) where dpkg's tools are missing.
# Where lintian is installed, it checks the package as Debian checks its own: anything it says with
# -I -E --pedantic that lintian-overrides does not list (with its reason) fails the test.
# Run by CTest: cmake -DBUILD=<build> -DCPACK=<cpack> -DOVERRIDES=<lintian-overrides> -P CheckPackage.cmake
cmake_policy(SET CMP0057 NEW) # if(... IN_LIST ...)
find_program(DPKG_DEB dpkg-deb)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(READELF readelf)
find_program(FILE file) # CPack's DEB generator looks at every file with it
if(NOT DPKG_DEB OR NOT DPKG_SHLIBDEPS OR NOT READELF OR NOT FILE)
  message("SKIPPED: dpkg-deb, dpkg-shlibdeps (Debian: dpkg-dev), file or readelf missing")
  return()
endif()

set(out "${BUILD}/package-check")
file(REMOVE_RECURSE "${out}")
execute_process(COMMAND "${CPACK}" -G DEB -B "${out}" --config "${BUILD}/CPackConfig.cmake"
                WORKING_DIRECTORY "${BUILD}" RESULT_VARIABLE result OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB debs "${out}/*.deb")
list(LENGTH debs count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack -G DEB ended with ${result}, leaving ${count} package(s):\n${log}")
endif()

execute_process(COMMAND ${DPKG_DEB} --field ${debs} Package Version Section Depends Recommends Suggests
                OUTPUT_VARIABLE fields)
execute_process(COMMAND ${DPKG_DEB} --contents ${debs} OUTPUT_VARIABLE contents)
message(STATUS "${debs}\n${fields}\n${contents}")

# The libraries' packages (from dpkg-shlibdeps) and what the program loads by name.
foreach(dependency libc6 libqt6widgets6 libqt6svg6 libqt6sql6 libsdl2-2.0-0 fonts-wqy-microhei
                   libqt6sql6-psql)
  if(NOT fields MATCHES "\nDepends:[^\n]*[ ,]${dependency}[ ,(\n]")
    message(FATAL_ERROR "the package does not depend on ${dependency}:\n${fields}")
  endif()
endforeach()
# Wayland and Qt's own Chinese texts only recommended: the game falls back to X11, and to Qt's English
# for its standard buttons, without them. A PostgreSQL server is suggested, for a class server.
foreach(recommended qt6-wayland qt6-translations-l10n)
  if(fields MATCHES "\nDepends:[^\n]*${recommended}" OR NOT fields MATCHES "\nRecommends:[^\n]*${recommended}")
    message(FATAL_ERROR "${recommended} is to be recommended, not depended on:\n${fields}")
  endif()
endforeach()
if(NOT fields MATCHES "\nSuggests: postgresql\n")
  message(FATAL_ERROR "postgresql is to be suggested:\n${fields}")
endif()
# Compressed with xz, as Debian's own packages are.
execute_process(COMMAND ar t ${debs} OUTPUT_VARIABLE members)
if(NOT members MATCHES "data\\.tar\\.xz")
  message(FATAL_ERROR "the package's data is not compressed with xz:\n${members}")
endif()
foreach(path usr/bin/aviluma usr/bin/aviluma-drone usr/bin/aviluma-class usr/share/applications/io.github.aviluma.Aviluma.desktop
             usr/share/metainfo/io.github.aviluma.Aviluma.metainfo.xml
             usr/share/icons/hicolor/scalable/apps/io.github.aviluma.Aviluma.svg
             usr/share/aviluma/Source/back.png usr/lib/udev/rules.d/60-aviluma-drone.rules
             usr/share/doc/aviluma/copyright usr/share/doc/aviluma/changelog.gz
             usr/share/doc/aviluma/README.md.gz usr/share/doc/aviluma/PLAYING.md.gz
             usr/share/doc/aviluma/FILES.md.gz usr/share/doc/aviluma/class-server-scale.md.gz
             usr/share/man/man6/aviluma.6.gz usr/share/man/zh_CN/man6/aviluma.6.gz)
  if(NOT contents MATCHES " \\./${path}\n")
    message(FATAL_ERROR "the package does not hold /${path}")
  endif()
endforeach()

# The desktop entry of the package starts /usr/bin/aviluma; the programs carry no symbol tables; the
# udev rule is reloaded when the package is installed.
set(tree "${out}/tree")
execute_process(COMMAND ${DPKG_DEB} -x ${debs} "${tree}")
execute_process(COMMAND ${DPKG_DEB} -e ${debs} "${tree}/DEBIAN")
file(READ "${tree}/usr/share/applications/io.github.aviluma.Aviluma.desktop" entry)
if(NOT entry MATCHES "\nExec=\"/usr/bin/aviluma\"\n")
  message(FATAL_ERROR "the package's desktop entry:\n${entry}")
endif()
if(NOT entry MATCHES "\nExec=\"/usr/bin/aviluma\" --simulated-drone\n")
  message(FATAL_ERROR "the package's desktop entry has no practice action:\n${entry}")
endif()
# The project has no public home: the package names no web or mail address but the standards'
# (SVG's namespace, Debian's copyright format) and the one reserved never to exist (RFC 6761), in
# its fields, its files and its compressed documents alike.
execute_process(COMMAND bash -c "{ ${DPKG_DEB} --field \"$0\"; grep -raoE \"$1\" \"$2\";
                                   find \"$2\" -name '*.gz' -exec zgrep -aoE \"$1\" {} +; } |
                                 grep -aoE \"$1\" | grep -avE \"$3\" | sort -u"
                        ${debs} "https?://[^ \"<>)]*|[A-Za-z0-9._%+-]+@[A-Za-z][A-Za-z0-9.-]*\\.[A-Za-z]{2,}" "${tree}"
                        "^(http://www\\.w3\\.org/2000/svg|https://www\\.debian\\.org/doc/packaging-manuals/copyright-format/1\\.0/|[^@]+@[a-z.-]+\\.invalid)$"
                OUTPUT_VARIABLE addresses)
if(addresses)
  message(FATAL_ERROR "the package names addresses that do not exist:\n${addresses}")
endif()
# Stripped, and hardened as Debian's own programs: stack protector, bound at start, read-only relocations.
foreach(program aviluma aviluma-drone aviluma-class)
  execute_process(COMMAND ${READELF} -S -d -l --dyn-syms -W "${tree}/usr/bin/${program}" OUTPUT_VARIABLE sections)
  if(sections MATCHES "\\.symtab|\\.debug_info|\\.comment")
    message(FATAL_ERROR "/usr/bin/${program} is not stripped as Debian strips (symbols, debug information, .comment)")
  endif()
  if(NOT sections MATCHES "__stack_chk_fail" OR NOT sections MATCHES "BIND_NOW" OR NOT sections MATCHES "GNU_RELRO")
    message(FATAL_ERROR "/usr/bin/${program} lacks the stack protector, BIND_NOW or RELRO")
  endif()
endforeach()
file(READ "${tree}/DEBIAN/postinst" postinst)
if(NOT postinst MATCHES "udevadm control --reload-rules")
  message(FATAL_ERROR "the package's postinst does not reload the udev rules:\n${postinst}")
endif()
# The postinst tells only the drone's serial port again, not every tty of the machine.
if(postinst MATCHES "--subsystem-match=tty" OR NOT postinst MATCHES "idVendor")
  message(FATAL_ERROR "the package's postinst triggers more than the drone's port:\n${postinst}")
endif()

find_program(LINTIAN lintian)
if(NOT LINTIAN)
  message("lintian is not installed: the package was not checked as Debian checks its own")
  return()
endif()
execute_process(COMMAND ${LINTIAN} -I -E --pedantic --no-tag-display-limit ${debs}
                OUTPUT_VARIABLE report ERROR_VARIABLE report)
file(STRINGS "${OVERRIDES}" overrides REGEX "^[a-z0-9-]+ ")
set(allowed "")
foreach(line IN LISTS overrides)
  string(REGEX MATCH "^[a-z0-9-]+" tag "${line}")
  list(APPEND allowed "${tag}")
endforeach()
string(REPLACE "\n" ";" lines "${report}")
set(unexplained "")
foreach(line IN LISTS lines)
  if(line MATCHES "^([A-Z]): [^ ]+: ([a-z0-9-]+)")
    if(NOT CMAKE_MATCH_2 IN_LIST allowed)
      list(APPEND unexplained "${line}")
    endif()
  endif()
endforeach()
if(unexplained)
  list(JOIN unexplained "\n  " listed)
  message(FATAL_ERROR "lintian found, and ${OVERRIDES} does not explain:\n  ${listed}\n\nWhole report:\n${report}")
endif()
message(STATUS "lintian:\n${report}")

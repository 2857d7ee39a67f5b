# Builds the Debian package with CPack and checks what it holds and asks for. Prints "SKIPPED:" (and
# CTest counts the test as skipped) where dpkg's tools are missing.
# Run by CTest: cmake -DBUILD=<build> -DCPACK=<cpack> -P CheckPackage.cmake
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

execute_process(COMMAND ${DPKG_DEB} --field ${debs} Package Version Depends OUTPUT_VARIABLE fields)
execute_process(COMMAND ${DPKG_DEB} --contents ${debs} OUTPUT_VARIABLE contents)
message(STATUS "${debs}\n${fields}\n${contents}")

# The libraries' packages (from dpkg-shlibdeps) and what the program loads by name.
foreach(dependency libc6 libqt6widgets6 libqt6svg6 libqt6sql6 libsdl2-2.0-0 fonts-wqy-microhei qt6-wayland
                   libqt6sql6-psql qt6-translations-l10n)
  if(NOT fields MATCHES "Depends:[^\n]*[ ,]${dependency}[ ,(\n]")
    message(FATAL_ERROR "the package does not depend on ${dependency}:\n${fields}")
  endif()
endforeach()
foreach(path usr/bin/aviluma usr/bin/aviluma-drone usr/bin/aviluma-class usr/share/applications/io.github.aviluma.Aviluma.desktop
             usr/share/metainfo/io.github.aviluma.Aviluma.metainfo.xml
             usr/share/icons/hicolor/scalable/apps/io.github.aviluma.Aviluma.svg
             usr/share/aviluma/Source/back.png usr/lib/udev/rules.d/60-aviluma-drone.rules
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
foreach(program aviluma aviluma-drone aviluma-class)
  execute_process(COMMAND ${READELF} -S "${tree}/usr/bin/${program}" OUTPUT_VARIABLE sections)
  if(sections MATCHES "\\.symtab|\\.debug_info")
    message(FATAL_ERROR "/usr/bin/${program} is not stripped")
  endif()
endforeach()
file(READ "${tree}/DEBIAN/postinst" postinst)
if(NOT postinst MATCHES "udevadm control --reload-rules")
  message(FATAL_ERROR "the package's postinst does not reload the udev rules:\n${postinst}")
endif()

# Installs the build into a fresh folder and checks that the folder holds everything the program needs
# to run on its own. Run by CTest: cmake -DBUILD=<build folder> -DPREFIX=<scratch folder> -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}" RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path aviluma aviluma-drone aviluma.png aviluma.desktop udev/60-aviluma-drone.rules
             Source/back.png Source/pannel.png Source/plane.png Source/pointer.png
             Source/back2.png Source/pannel2.png Source/pointer2.png
             Source/plane@2x.png Source/plane@3x.png Source/back2@2x.png Source/back2@3x.png)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "missing from the installed folder: ${path}")
  endif()
endforeach()
# No folder for the players' files: installed by root, it would be root's; each player keeps their own.
foreach(folder Data Record)
  if(EXISTS "${PREFIX}/${folder}")
    message(FATAL_ERROR "the installation must not lay out ${folder}/")
  endif()
endforeach()
file(READ "${PREFIX}/aviluma.desktop" entry)
if(NOT entry MATCHES "Exec=${PREFIX}/aviluma\n" OR NOT entry MATCHES "Icon=${PREFIX}/aviluma.png\n")
  message(FATAL_ERROR "the desktop entry does not name the installed program and icon:\n${entry}")
endif()

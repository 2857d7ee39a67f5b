# Keeps the includes of src/ and sim/ to the layers, from the bottom up:
#   platform; res; widgets; state; link, records, instruments; game, classroom; windows; app (and the
#   aviluma-class program in classroom/)
# A file may include its own folder and the layers below it, never a sibling of its own layer nor
# anything above. sim/ stands beside the game's layers and may use platform, state and link. Only
# windows and app speak to the player, so only they include the message boxes. The class server is
# reached through its client's interface alone (ClassClient.h, and the board's feed ClassBoard.h): its
# connection, SQL and the database's library stay inside classroom/ (and its own program, which sets
# the server up).
# Run by CTest: cmake -DSOURCE=<source folder> -P CheckLayers.cmake
set(rank_platform 0)
set(rank_res 1)
set(rank_widgets 2)
set(rank_state 3)
set(rank_link 4)
set(rank_records 4)
set(rank_instruments 4)
set(rank_game 5)
set(rank_classroom 5)
set(rank_windows 6)
set(rank_app 7)
set(sim_may_use platform state link sim)
set(may_speak windows app)
set(class_interface classroom/ClassClient.h classroom/ClassBoard.h)

set(faults "")
file(GLOB_RECURSE files RELATIVE "${SOURCE}" "${SOURCE}/src/*.h" "${SOURCE}/src/*.cpp" "${SOURCE}/sim/*.h"
     "${SOURCE}/sim/*.cpp" "${SOURCE}/classroom/*.cpp")
foreach(file ${files})
  string(REGEX REPLACE "^(src/)?([a-z]+)/.*" "\\2" layer "${file}")
  if(file MATCHES "^classroom/")
    set(layer app) # the aviluma-class program stands at the top, as the game's start-up does
  endif()
  file(STRINGS "${SOURCE}/${file}" includes REGEX "^#include \"[a-z]+/")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"(([a-z]+)/[^\"]+)\".*" "\\2" used "${line}")
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
    if(used STREQUAL layer)
      continue()
    endif()
    if(layer STREQUAL "sim")
      list(FIND sim_may_use ${used} allowed)
      if(allowed EQUAL -1)
        list(APPEND faults "${file}: the simulated drone uses ${header}")
      endif()
    elseif(NOT DEFINED rank_${used} OR NOT rank_${used} LESS rank_${layer})
      list(APPEND faults "${file}: layer ${layer} includes ${header}")
    endif()
    list(FIND class_interface ${header} interface)
    if(used STREQUAL "classroom" AND interface EQUAL -1 AND NOT file MATCHES "^classroom/")
      list(APPEND faults "${file}: the class server's inside, ${header}, is used outside classroom/")
    endif()
    list(FIND may_speak ${layer} speaks)
    if(header STREQUAL "platform/MessageBox.h" AND speaks EQUAL -1)
      list(APPEND faults "${file}: only windows speak to the player, yet it includes ${header}")
    endif()
  endforeach()
endforeach()
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "includes against the layers:\n  ${text}")
endif()

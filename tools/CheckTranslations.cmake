# Keeps the translations whole: every text of src/ and sim/ marked for translation has a finished translation in
# each translations/*.ts, and no .ts holds a text the sources no longer have (lupdate would keep it as
# vanished or obsolete; such entries go, or the texts they were made for come back).
# lupdate reads the sources into a copy of each .ts, so the files themselves are left as they are.
# Run by CTest: cmake -DSOURCE=<source folder> -DLUPDATE=<lupdate> -DWORK=<scratch folder> -P CheckTranslations.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(GLOB ts_files "${SOURCE}/translations/*.ts")
if(NOT ts_files)
  message(FATAL_ERROR "no translations in ${SOURCE}/translations")
endif()

set(sources "")
foreach(folder src sim classroom)
  if(IS_DIRECTORY "${SOURCE}/${folder}")
    list(APPEND sources "${SOURCE}/${folder}")
  endif()
endforeach()
set(faults "")
foreach(ts ${ts_files})
  get_filename_component(name "${ts}" NAME)
  set(copy "${WORK}/${name}")
  file(COPY_FILE "${ts}" "${copy}")
  execute_process(COMMAND "${LUPDATE}" -silent -locations none ${sources} -ts "${copy}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed on ${name}:\n${output}")
  endif()
  file(READ "${copy}" text)
  # A semicolon in a text would split the list below: it is named instead.
  string(REPLACE ";" "{semicolon}" text "${text}")
  # One entry per <message>; its source text and the state of its translation.
  string(REPLACE "<message" ";<message" messages "${text}")
  foreach(message IN LISTS messages)
    if(NOT message MATCHES "^<message")
      continue()
    endif()
    string(REGEX MATCH "<source>([^<]*)</source>" found "${message}")
    set(source "${CMAKE_MATCH_1}")
    if(message MATCHES "<translation[^>]*type=\"(vanished|obsolete)\"")
      list(APPEND faults "${name}: no longer in the sources: ${source}")
    elseif(message MATCHES "<translation[^>]*type=\"unfinished\"" OR message MATCHES "<translation[^>]*/>"
           OR message MATCHES "<translation[^>]*></translation>")
      list(APPEND faults "${name}: not translated: ${source}")
    endif()
  endforeach()
endforeach()
if(faults)
  list(JOIN faults "\n  " listed)
  message(FATAL_ERROR "translations out of step with the sources "
                      "(cmake --build <tree> --target update_translations, then translate):\n  ${listed}")
endif()

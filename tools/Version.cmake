# The version of a build: the newest release that CHANGELOG.md names ("## 2.2 (2026-12-07)"), and,
# when its "Unreleased" section lists work since, what git says of the tree: the commit's time (UTC)
# and its short hash, "2.2+git20261209.174705.178949c". Debian orders that after 2.2 and before the
# next release, and a later commit after an earlier one, so apt upgrades one build with the next.
# Without git history the version is "2.2+0": after the release, before any build from git.
#
# Sets AVILUMA_RELEASE (numbers only, for project()) and AVILUMA_RELEASE_DATE, AVILUMA_VERSION, AVILUMA_VERSION_DATE
# (YYYY-MM-DD) and AVILUMA_VERSION_DATE_RFC2822, and makes CMake look again after a commit.
# Include it before project(); git is optional. AVILUMA_VERSION_SOURCE names another tree (tests).
if(NOT AVILUMA_VERSION_SOURCE)
  get_filename_component(AVILUMA_VERSION_SOURCE ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
endif()

file(STRINGS ${AVILUMA_VERSION_SOURCE}/CHANGELOG.md changelog_lines ENCODING UTF-8)
set(unreleased_work FALSE)
set(in_unreleased FALSE)
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^## Unreleased")
    set(in_unreleased TRUE)
  elseif(line MATCHES "^## ([0-9]+(\\.[0-9]+)*) \\(([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])\\)")
    set(AVILUMA_RELEASE ${CMAKE_MATCH_1})
    set(release_date ${CMAKE_MATCH_3})
    break()
  elseif(in_unreleased AND line MATCHES "^- ")
    set(unreleased_work TRUE)
  endif()
endforeach()
if(NOT AVILUMA_RELEASE)
  message(FATAL_ERROR "CHANGELOG.md names no release (a heading such as \"## 2.2 (2026-12-07)\")")
endif()

set(AVILUMA_VERSION ${AVILUMA_RELEASE})
set(version_date ${release_date})
set(version_time "00:00:00")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${AVILUMA_VERSION_SOURCE}/CHANGELOG.md)
if(unreleased_work)
  set(AVILUMA_VERSION ${AVILUMA_RELEASE}+0)
  find_program(GIT git)
  if(GIT) # the history of this tree, not of a repository around an unpacked copy
    execute_process(COMMAND ${GIT} rev-parse --show-toplevel WORKING_DIRECTORY ${AVILUMA_VERSION_SOURCE}
                    OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    file(REAL_PATH "${AVILUMA_VERSION_SOURCE}" source)
  endif()
  if(GIT AND top AND source STREQUAL top)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${GIT} log -1 --no-show-signature
                            "--format=%cd %h" --date=format-local:%Y-%m-%d.%H:%M:%S
                    WORKING_DIRECTORY ${AVILUMA_VERSION_SOURCE}
                    OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  endif()
  if(NOT failed AND described MATCHES "^([0-9-]+)\\.([0-9:]+) ([0-9a-f]+)$")
    set(version_date ${CMAKE_MATCH_1})
    set(version_time ${CMAKE_MATCH_2})
    string(REPLACE "-" "" day ${CMAKE_MATCH_1})
    string(REPLACE ":" "" time ${CMAKE_MATCH_2})
    set(AVILUMA_VERSION ${AVILUMA_RELEASE}+git${day}.${time}.${CMAKE_MATCH_3})
    # A commit or a checkout moves HEAD and writes its log: then the version is made again.
    foreach(what HEAD logs/HEAD)
      execute_process(COMMAND ${GIT} rev-parse --path-format=absolute --git-path ${what}
                      WORKING_DIRECTORY ${AVILUMA_VERSION_SOURCE}
                      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(path AND EXISTS ${path})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
      endif()
    endforeach()
  else()
    message(STATUS "No git history: version ${AVILUMA_VERSION} cannot tell this build from another "
                   "of unreleased work")
  endif()
endif()
set(AVILUMA_RELEASE_DATE ${release_date})
set(AVILUMA_VERSION_DATE ${version_date})
# Debian's changelog wants the day of the week too: Zeller's rule (CMake has no date arithmetic).
string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" unused ${version_date})
set(year ${CMAKE_MATCH_1})
set(day ${CMAKE_MATCH_3})
math(EXPR month_index "${CMAKE_MATCH_2} - 1")
math(EXPR y ${year})
math(EXPR m ${CMAKE_MATCH_2})
if(m LESS 3)
  math(EXPR m "${m} + 12")
  math(EXPR y "${y} - 1")
endif()
math(EXPR weekday "(${day} + (13 * (${m} + 1)) / 5 + ${y} + ${y} / 4 - ${y} / 100 + ${y} / 400) % 7")
set(weekdays Sat Sun Mon Tue Wed Thu Fri)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET weekdays ${weekday} weekday)
list(GET months ${month_index} month)
set(AVILUMA_VERSION_DATE_RFC2822 "${weekday}, ${day} ${month} ${year} ${version_time} +0000")

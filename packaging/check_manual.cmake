# The manual page and the bash completion against the program's --help:
#   cmake -DPROGRAM=<tavixterminal> -DMAN=<man> -DPAGE=<tavixterminal.1>
#         -DCOMPLETION=<completion script> -DVERSION=<x.y> -P check_manual.cmake
# Every option --help lists has a paragraph of its own in the page (an
# option in the tag line of a .TP) and is offered by the completion; every
# exit status --help lists has its paragraph under EXIT STATUS; groff warns
# of nothing; --version shows VERSION, the version of the package.
cmake_minimum_required(VERSION 3.25)
if(NOT MAN)
  message(FATAL_ERROR "man is not installed (Debian packages man-db and groff-base)")
endif()
find_program(BASH bash REQUIRED)
set(errors "")

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help exited with ${status}")
endif()
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT version STREQUAL "tavixterminal ${VERSION}")
  string(APPEND errors "  --version shows '${version}', the package is version ${VERSION}\n")
endif()

# The options: words of --help that begin with one or two dashes and a
# letter, after a blank, a bracket, a bar or a comma.
string(REGEX MATCHALL "[ [|,]--?[A-Za-z][A-Za-z0-9-]*" found "${help}")
set(options "")
foreach(word IN LISTS found)
  string(SUBSTRING "${word}" 1 -1 option)
  list(APPEND options "${option}")
endforeach()
list(REMOVE_DUPLICATES options)
list(LENGTH options count)
if(count LESS 15)
  message(FATAL_ERROR "only ${count} options found in --help (${options}); has its form changed?")
endif()

# The page's tag lines: the line after each .TP.
file(STRINGS ${PAGE} page_lines)
set(tags "")
set(after_tp FALSE)
set(section "")
set(status_tags "")
foreach(line IN LISTS page_lines)
  if(line MATCHES "^\\.SH (.*)")
    set(section "${CMAKE_MATCH_1}")
  endif()
  if(after_tp)
    string(APPEND tags "${line}\n")
    if(section STREQUAL "EXIT STATUS" AND line MATCHES "^\\.B ([0-9]+)$")
      list(APPEND status_tags "${CMAKE_MATCH_1}")
    endif()
  endif()
  if(line STREQUAL ".TP")
    set(after_tp TRUE)
  else()
    set(after_tp FALSE)
  endif()
endforeach()
foreach(option IN LISTS options)
  # As troff writes it: every dash as \-.
  string(REPLACE "-" "\\\\-" escaped "${option}")
  if(NOT tags MATCHES "(^|[ \"])${escaped}([ \"\n]|$)")
    string(APPEND errors "  ${option}: no paragraph in ${PAGE}\n")
  endif()
endforeach()

# The exit statuses: "  N  text" or "  N, M  text" under "Exit status:".
string(FIND "${help}" "Exit status:" at)
if(at LESS 0)
  message(FATAL_ERROR "--help has no \"Exit status:\" list")
endif()
string(SUBSTRING "${help}" ${at} -1 statuses)
string(REGEX MATCHALL "\n  [0-9]+(, [0-9]+)*  " found "${statuses}")
set(codes "")
foreach(entry IN LISTS found)
  string(REGEX MATCHALL "[0-9]+" numbers "${entry}")
  list(APPEND codes ${numbers})
endforeach()
if(NOT codes)
  message(FATAL_ERROR "no exit status found in --help")
endif()
foreach(code IN LISTS codes)
  if(NOT code IN_LIST status_tags)
    string(APPEND errors "  exit status ${code}: no paragraph under EXIT STATUS\n")
  endif()
endforeach()

# groff's warnings.
execute_process(COMMAND ${MAN} --warnings -E UTF-8 -l ${PAGE}
                OUTPUT_QUIET ERROR_VARIABLE warnings RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  string(APPEND errors "  man --warnings -l ${PAGE} (status ${status}):\n${warnings}\n")
endif()

# The completion: what it offers for a word, in a folder holding one file.
set(work ${CMAKE_CURRENT_BINARY_DIR}/manual-check)
file(REMOVE_RECURSE ${work})
file(WRITE ${work}/capture.txt "")
function(complete words out)
  execute_process(COMMAND ${BASH} --norc --noprofile -c
                    "source \"$1\" && COMP_WORDS=($2) && COMP_CWORD=$((\${#COMP_WORDS[@]} - 1)) && _tavixterminal && printf '%s\\n' \"\${COMPREPLY[@]}\""
                    complete ${COMPLETION} "${words}"
                  WORKING_DIRECTORY ${work} OUTPUT_VARIABLE offered RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the completion of '${words}' failed (${status})")
  endif()
  string(REGEX REPLACE "\n$" "" offered "${offered}")
  string(REPLACE "\n" ";" offered "${offered}")
  set(${out} "${offered}" PARENT_SCOPE)
endfunction()
complete("tavixterminal -" offered)
foreach(option IN LISTS options)
  if(NOT option IN_LIST offered)
    string(APPEND errors "  ${option}: not offered by ${COMPLETION}\n")
  endif()
endforeach()
foreach(case "--log-type '' => 0;1;2" "--driver se => serial" "--sort ca => capture.txt" "--output '' => -;capture.txt"
             "--serial '' => ")
  string(REGEX MATCH "^(.*) => (.*)$" parts "${case}")
  complete("tavixterminal ${CMAKE_MATCH_1}" offered)
  set(expected "${CMAKE_MATCH_2}")
  list(SORT offered)
  if(NOT "${offered}" STREQUAL "${expected}")
    string(APPEND errors "  completing 'tavixterminal ${CMAKE_MATCH_1}' offers '${offered}', not '${expected}'\n")
  endif()
endforeach()

if(errors)
  message(FATAL_ERROR "The manual page or the completion does not match --help:\n${errors}")
endif()
list(LENGTH codes code_count)
message(STATUS "${count} options and ${code_count} exit statuses in the page and the completion")

# The size check refuses a small tree with product files past 400 lines, naming each of them
# and no other, and accepts files at the limit and long files of test folders.
#   cmake -DWORK=<scratch folder> -P FileSizeTest.cmake
cmake_minimum_required(VERSION 3.25)
get_filename_component(check "${CMAKE_CURRENT_LIST_DIR}/../../cmake/FileSize.cmake" ABSOLUTE)
if(NOT WORK)
  message(FATAL_ERROR "usage: cmake -DWORK=<scratch folder> -P FileSizeTest.cmake")
endif()

function(write_lines path count last_line_end)
  string(REPEAT "int x;\n" ${count} text)
  if(NOT last_line_end)
    string(REGEX REPLACE "\n$" "" text "${text}")
  endif()
  file(WRITE "${path}" "${text}")
endfunction()

set(root "${WORK}/size-fixture")
file(REMOVE_RECURSE "${root}")
# Allowed: at the limit, an empty file, test folders and folders that may use anything.
write_lines("${root}/engine/AtLimit.cpp" 400 TRUE)
file(WRITE "${root}/engine/Empty.h" "")
write_lines("${root}/engine/tests/LongTest.cpp" 900 TRUE)
write_lines("${root}/tests/e2e/Long.cpp" 900 TRUE)
write_lines("${root}/docs/Long.h" 900 TRUE)
# Faults: one line over, in a nested layer, a header, and a last line without its line end.
write_lines("${root}/engine/OneOver.cpp" 401 TRUE)
write_lines("${root}/mainwindow/textview/Nested.cpp" 450 TRUE)
write_lines("${root}/win/Long.h" 401 TRUE)
write_lines("${root}/shell/NoLastEnd.c" 401 FALSE)
string(REPEAT "\n" 401 blanks)
file(WRITE "${root}/pathwell/Blanks.cpp" "${blanks}")

execute_process(COMMAND "${CMAKE_COMMAND}" -DQUORVEL_SOURCE_DIR=${root} -P "${check}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(failures "")
if(rc EQUAL 0)
  list(APPEND failures "the check accepted a tree with long files")
endif()
foreach(fault "engine/OneOver.cpp: 401 lines" "mainwindow/textview/Nested.cpp: 450 lines" "win/Long.h: 401 lines"
              "shell/NoLastEnd.c: 401 lines" "pathwell/Blanks.cpp: 401 lines")
  string(FIND "${err}" "${fault}" at)
  if(at EQUAL -1)
    list(APPEND failures "not named: ${fault}")
  endif()
endforeach()
foreach(allowed AtLimit Empty.h LongTest e2e/Long docs/Long)
  string(FIND "${err}" "${allowed}" at)
  if(NOT at EQUAL -1)
    list(APPEND failures "named though allowed: ${allowed}")
  endif()
endforeach()

file(REMOVE "${root}/engine/OneOver.cpp" "${root}/mainwindow/textview/Nested.cpp" "${root}/win/Long.h"
     "${root}/shell/NoLastEnd.c" "${root}/pathwell/Blanks.cpp")
execute_process(COMMAND "${CMAKE_COMMAND}" -DQUORVEL_SOURCE_DIR=${root} -P "${check}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err2)
if(NOT rc EQUAL 0)
  list(APPEND failures "the tree without long files was refused: ${err2}")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "The size check failed its fixture:\n  ${text}\nIts output was:\n${err}")
endif()
message(STATUS "The size check names every long product file and no other")

# The size rule: no C or C++ file of the product is longer than 400 lines, so that a reader
# takes in a unit at once and a file that grows past it is split by concern. Product files are
# those of every folder with a layer rule (cmake/Layers.cmake) except the ones that may use
# anything (tests/, installer/, docs/); a `tests/` folder inside a product folder is exempt
# too. CONTRIBUTING.md explains the rule.
#   cmake [-DQUORVEL_SOURCE_DIR=<tree>] -P cmake/FileSize.cmake
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/Layers.cmake")
set(QUORVEL_MAX_FILE_LINES 400)

if(NOT QUORVEL_SOURCE_DIR)
  get_filename_component(QUORVEL_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
endif()

get_property(layers GLOBAL PROPERTY QUORVEL_LAYERS)
set(files "")
foreach(layer IN LISTS layers)
  get_property(uses GLOBAL PROPERTY "QUORVEL_LAYER_USES:${layer}")
  if("ANY" IN_LIST uses OR NOT IS_DIRECTORY "${QUORVEL_SOURCE_DIR}/${layer}")
    continue()
  endif()
  file(GLOB_RECURSE found RELATIVE "${QUORVEL_SOURCE_DIR}"
       "${QUORVEL_SOURCE_DIR}/${layer}/*.c" "${QUORVEL_SOURCE_DIR}/${layer}/*.cpp"
       "${QUORVEL_SOURCE_DIR}/${layer}/*.h" "${QUORVEL_SOURCE_DIR}/${layer}/*.hpp")
  list(APPEND files ${found})
endforeach()
list(REMOVE_DUPLICATES files)
list(FILTER files EXCLUDE REGEX "(^|/)tests/")
list(SORT files)

set(faults "")
foreach(rel IN LISTS files)
  file(READ "${QUORVEL_SOURCE_DIR}/${rel}" text)
  string(REGEX MATCHALL "\n" ends "${text}")
  list(LENGTH ends lines)
  if(NOT text STREQUAL "" AND NOT text MATCHES "\n$")
    math(EXPR lines "${lines} + 1")  # a last line without its line end counts too
  endif()
  if(lines GREATER QUORVEL_MAX_FILE_LINES)
    list(APPEND faults "${rel}: ${lines} lines")
  endif()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Product files longer than ${QUORVEL_MAX_FILE_LINES} lines (split them by concern):\n  ${text}")
endif()
list(LENGTH files count)
message(STATUS "All ${count} product files under ${QUORVEL_SOURCE_DIR} are at most ${QUORVEL_MAX_FILE_LINES} lines")

# The layer check refuses a small tree that breaks each rule, naming every fault, and accepts
# the same tree without them.
#   cmake -DWORK=<scratch folder> -P LayerRulesTest.cmake
cmake_minimum_required(VERSION 3.25)
get_filename_component(layers "${CMAKE_CURRENT_LIST_DIR}/../../cmake/Layers.cmake" ABSOLUTE)
if(NOT WORK)
  message(FATAL_ERROR "usage: cmake -DWORK=<scratch folder> -P LayerRulesTest.cmake")
endif()

# vberror/, engine/ and win/ as the real tree has them, with a test of the engine using the test
# helpers; `broken` adds one fault of each kind.
function(write_tree root broken)
  file(REMOVE_RECURSE "${root}" "${root}-build")
  set(subdirs vberror engine win)
  if(broken)
    list(APPEND subdirs extras)
  endif()
  list(TRANSFORM subdirs PREPEND "add_subdirectory(" OUTPUT_VARIABLE adds)
  list(TRANSFORM adds APPEND ")")
  list(JOIN adds "\n" adds)
  file(WRITE "${root}/CMakeLists.txt" "cmake_minimum_required(VERSION 3.25)
project(LayerFixture C)
add_library(quorvel_test_support INTERFACE)
target_include_directories(quorvel_test_support INTERFACE tests/support)
${adds}
include(\"${layers}\")
quorvel_check_layers()
")
  file(WRITE "${root}/vberror/CMakeLists.txt" "add_library(vb STATIC VbError.c)\n")
  file(WRITE "${root}/vberror/VbError.h" "int VbErrorNumber(void);\n")
  file(WRITE "${root}/vberror/VbError.c" "#include \"VbError.h\"\nint VbErrorNumber(void) { return 5; }\n")

  # A header named like a Windows one, of the engine's own, is no fault.
  file(WRITE "${root}/engine/Windows1252.h" "int Encode(int c);\n")
  file(WRITE "${root}/engine/Engine.c"
       "#include <stdio.h>\n#include \"VbError.h\"\n#include \"Windows1252.h\"\nint Encode(int c) { return c; }\n")
  file(WRITE "${root}/tests/support/Helper.h" "int Helper(void);\n")
  file(WRITE "${root}/engine/tests/EngineTest.c" "#include \"Helper.h\"\nint EngineTest(void) { return 0; }\n")
  set(engineTests "add_library(engine_tests STATIC tests/EngineTest.c)
target_link_libraries(engine_tests PRIVATE engine quorvel_test_support)
")
  file(WRITE "${root}/win/Raii.h" "void Close(void* handle);\n")
  file(WRITE "${root}/win/Raii.c" "#include \"Raii.h\"\n#include <windows.h>\nvoid Close(void* handle) { (void)handle; }\n")

  if(NOT broken)
    file(WRITE "${root}/engine/CMakeLists.txt"
         "add_library(engine STATIC Engine.c)\ntarget_link_libraries(engine PUBLIC vb)\n${engineTests}")
    file(WRITE "${root}/win/CMakeLists.txt"
         "add_library(winbase STATIC Raii.c)\ntarget_link_libraries(winbase PUBLIC vb user32)\n")
    return()
  endif()
  file(WRITE "${root}/engine/CMakeLists.txt" "add_library(engine STATIC Engine.c)
target_link_libraries(engine PUBLIC vb PRIVATE User32.lib)
add_library(engine_ui STATIC Ui.c)
target_link_libraries(engine_ui PRIVATE winbase)
add_library(engine_tool STATIC Tool.c)
target_link_libraries(engine_tool PRIVATE quorvel_test_support)
${engineTests}")
  file(WRITE "${root}/engine/Tool.c" "#include \"Helper.h\"\nint Tool(void) { return 1; }\n")
  # Guarded so that a native compiler would never see them.
  file(WRITE "${root}/engine/Ui.c" "#ifdef _WIN32
#include <Windows.h>
#include \"Raii.h\"
#include \"../win/Raii.h\"
#endif
int Ui(void) { return 0; }
")
  file(WRITE "${root}/win/CMakeLists.txt"
       "add_library(winbase STATIC Raii.c)\ntarget_link_libraries(winbase PUBLIC vb engine)\n")
  file(WRITE "${root}/extras/CMakeLists.txt" "add_library(extras STATIC Extra.c)\n")
  file(WRITE "${root}/extras/Extra.c" "int Extra(void) { return 1; }\n")
endfunction()

function(configure root out rc)
  execute_process(COMMAND "${CMAKE_COMMAND}" -S "${root}" -B "${root}-build"
                  RESULT_VARIABLE result OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  string(REGEX REPLACE "[ \t\r\n]+" " " text "${stdout}${stderr}")
  set(${out} "${text}" PARENT_SCOPE)
  set(${rc} "${result}" PARENT_SCOPE)
endfunction()

set(failures "")

write_tree("${WORK}/clean" FALSE)
configure("${WORK}/clean" text rc)
if(NOT rc EQUAL 0)
  list(APPEND failures "the tree that keeps the rules was refused: ${text}")
endif()

write_tree("${WORK}/broken" TRUE)
configure("${WORK}/broken" text rc)
if(rc EQUAL 0)
  list(APPEND failures "the tree that breaks the rules was accepted")
endif()
foreach(expected
    "Layer rules broken, 11 faults"
    "engine_tool (engine/) links the test helper quorvel_test_support, which only tests may use"
    "engine/Tool.c includes Helper.h, a test helper of tests/, which only tests may use"
    "winbase (win/) links engine (engine/), which win/ may not use"
    "engine (engine/, portable) links the Windows library User32.lib"
    "engine_ui (engine/) links winbase (win/), which engine/ may not use"
    "engine/Ui.c includes the Windows header Windows.h (engine/ is portable)"
    "engine/Ui.c includes Raii.h, a header of win/, which engine/ may not use"
    "engine/Ui.c includes ../win/Raii.h, a header of win/, which engine/ may not use"
    "extras: the folder extras/ has no layer rule")
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    list(APPEND failures "no fault \"${expected}\"")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n  " failures)
  message(FATAL_ERROR "Layer check:\n  ${failures}\nConfiguration said: ${text}")
endif()
message(STATUS "The layer check refuses each broken rule and accepts the tree that keeps them")

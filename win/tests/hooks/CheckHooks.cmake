# cmake -DCXX=<compiler> -DFLAGS=<flags> -DINCLUDE=<win folder> -DSOURCE=<Hooks.cpp> -P CheckHooks.cmake
# The correct window compiles; each faulty hook fails to compile and the compiler names it.
separate_arguments(flags NATIVE_COMMAND "${FLAGS}")
set(common ${flags} -std=c++20 -fsyntax-only -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX
    -I${INCLUDE} ${SOURCE})

execute_process(COMMAND ${CXX} ${common} RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the window with correct hooks does not compile:\n${errors}")
endif()

set(faults
    "FAULT_PAINT_BY_REFERENCE\;OnPaint"
    "FAULT_PAINT_WITHOUT_OVERRIDE\;OnPaint"
    "FAULT_CREATE_WITHOUT_RESULT\;OnCreate"
    "FAULT_CREATE_WITHOUT_ARGUMENT\;OnCreate"
    "FAULT_COMMAND_AS_WORDS\;OnCommand"
    "FAULT_DESTROY_CONST\;OnDestroy"
    "FAULT_HANDLER_WITHOUT_LPARAM\;HandleMessage")
set(missed "")
foreach(fault IN LISTS faults)
  list(GET fault 0 macro)
  list(GET fault 1 hook)
  execute_process(COMMAND ${CXX} -D${macro} ${common} RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(result EQUAL 0)
    string(APPEND missed "${macro} compiled\n")
  elseif(NOT errors MATCHES "${hook}")
    string(APPEND missed "${macro} failed without naming ${hook}:\n${errors}\n")
  endif()
endforeach()
if(missed)
  message(FATAL_ERROR "hooks the compiler let through:\n${missed}")
endif()

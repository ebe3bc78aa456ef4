# quorvel_add_test(NAME target SOURCES ... LIBS ...): one googletest executable, its
# cases registered with ctest (run under Wine in the cross build).
include(GoogleTest)

# Header-only helpers the test programs share (tests/support): a scratch folder and file
# reading and writing.
if(NOT TARGET quorvel_test_support)
  add_library(quorvel_test_support INTERFACE)
  target_include_directories(quorvel_test_support INTERFACE ${PROJECT_SOURCE_DIR}/tests/support)
endif()

# The Windows test programs bound every test case (tests/support/BoundedTestMain.cpp).
if(QUORVEL_WINDOWS AND NOT TARGET quorvel_test_main)
  add_library(quorvel_test_main STATIC ${PROJECT_SOURCE_DIR}/tests/support/BoundedTestMain.cpp)
  target_link_libraries(quorvel_test_main PUBLIC GTest::gtest)
  # The handle owners of win/ (Raii.h, header only).
  target_include_directories(quorvel_test_main PRIVATE ${PROJECT_SOURCE_DIR}/win)
endif()

function(quorvel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(QUORVEL_WINDOWS)
    target_link_libraries(${name} PRIVATE ${T_LIBS} quorvel_test_main)
    # Discovery would start Wine at build time; one ctest entry per executable instead.
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()

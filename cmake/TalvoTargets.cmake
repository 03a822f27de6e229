# Helpers shared by every subsystem's CMakeLists.

# Strict warnings on our own code only; SDK sources keep their own habits.
function(talvo_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# talvo_library(NAME sources...) -> target talvo_NAME with alias talvo::NAME,
# include root at src/ so headers read as "bridge/json_write.h".
function(talvo_library name)
  add_library(talvo_${name} STATIC ${ARGN})
  add_library(talvo::${name} ALIAS talvo_${name})
  target_include_directories(talvo_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  talvo_strict(talvo_${name})
endfunction()

# talvo_test(NAME SOURCES a.cpp b.cpp LIBS talvo::x ... [ENV K=V ...]) -> one
# gtest binary whose cases are registered with ctest individually.
function(talvo_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE TALVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             TALVO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  talvo_strict(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 ENVIRONMENT "${T_ENV}")
endfunction()

# talvo_x_test(NAME TARGET): the test program as one ctest under an X server
# of its own (xvfb-run), or as it is where there is no xvfb-run.
function(talvo_x_test name target)
  find_program(TALVO_XVFB_RUN xvfb-run)
  if(TALVO_XVFB_RUN)
    add_test(NAME ${name} COMMAND ${TALVO_XVFB_RUN} -a -s "-screen 0 1280x800x24 -nolisten tcp -noreset"
                                  $<TARGET_FILE:${target}>)
  else()
    add_test(NAME ${name} COMMAND ${target})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

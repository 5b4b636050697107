# orvanta_add_test(NAME name SOURCES a.cpp ... [LIBRARIES ...] [ENVIRONMENT K=V ...] [LABELS ...]
#                  [LAUNCHER program [arguments...]])
# One Qt Test executable registered with CTest. Tests run on the offscreen platform unless an
# area sets QT_QPA_PLATFORM itself (the X11 areas run under the Xvfb started by scripts/test) or
# a LAUNCHER that runs the test inside a session of its own does.
function(orvanta_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBRARIES;ENVIRONMENT;LABELS;LAUNCHER" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test orvanta_test_support ${T_LIBRARIES})
  add_test(NAME ${T_NAME} COMMAND ${T_LAUNCHER} $<TARGET_FILE:${T_NAME}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(_env QT_QPA_PLATFORM=offscreen OMP_THREAD_LIMIT=1 QT_LOGGING_RULES=*.debug=false
           ORVANTA_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
           ORVANTA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data)
  list(APPEND _env ${T_ENVIRONMENT})
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${_env}" TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()

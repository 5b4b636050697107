# orvanta_add_test(NAME name SOURCES a.cpp ... [LIBRARIES ...] [LAUNCHER ...] [ENVIRONMENT K=V ...] [LABELS ...])
# One Qt Test executable registered with CTest. Tests run on the offscreen platform unless an
# area sets QT_QPA_PLATFORM itself (the X11 areas run under the Xvfb started by scripts/test).
function(orvanta_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBRARIES;LAUNCHER;ENVIRONMENT;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test orvanta_test_support ${T_LIBRARIES})
  orvanta_add_test_run(NAME ${T_NAME} TARGET ${T_NAME} TIMEOUT "${T_TIMEOUT}" LAUNCHER ${T_LAUNCHER}
                       ENVIRONMENT ${T_ENVIRONMENT} LABELS ${T_LABELS})
endfunction()

# orvanta_add_test_run(NAME name TARGET test-executable [LAUNCHER ...] [ENVIRONMENT ...] [LABELS ...])
# Registers one more run of a test executable, for instance in another environment. A launcher
# (a script that prepares a server, say) runs the executable as its last argument.
function(orvanta_add_test_run)
  cmake_parse_arguments(T "" "NAME;TARGET;TIMEOUT" "LAUNCHER;ENVIRONMENT;LABELS" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_LAUNCHER} $<TARGET_FILE:${T_TARGET}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(_env QT_QPA_PLATFORM=offscreen OMP_THREAD_LIMIT=1 QT_LOGGING_RULES=*.debug=false
           ORVANTA_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
           ORVANTA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data)
  list(APPEND _env ${T_ENVIRONMENT})
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${_env}" TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()

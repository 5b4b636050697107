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
set(ORVANTA_TEST_FONTCONFIG ${CMAKE_BINARY_DIR}/test-fonts.conf)
configure_file(${CMAKE_CURRENT_LIST_DIR}/test-fonts.conf.in ${ORVANTA_TEST_FONTCONFIG} @ONLY)

function(orvanta_add_test_run)
  cmake_parse_arguments(T "" "NAME;TARGET;TIMEOUT" "LAUNCHER;ENVIRONMENT;LABELS" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_LAUNCHER} $<TARGET_FILE:${T_TARGET}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(_env QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES=*.debug=false
           ORVANTA_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
           ORVANTA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data)
  list(APPEND _env ${T_ENVIRONMENT})
  # The same on any developer's machine as on a bare one: a fixed locale and time zone, only the
  # fonts the project installs, and none of the session's desktop, bus, browser or Orvanta
  # variables (a test that needs one sets it above or in its launcher).
  list(APPEND _env LC_ALL=C.UTF-8 LANG=C.UTF-8 TZ=UTC FONTCONFIG_FILE=${ORVANTA_TEST_FONTCONFIG})
  set(_unset LANGUAGE XDG_CURRENT_DESKTOP XDG_SESSION_TYPE XDG_SESSION_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION
             GNOME_DESKTOP_SESSION_ID WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS BROWSER QT_QPA_PLATFORMTHEME
             QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_FONT_DPI
             QT_ENABLE_HIGHDPI_SCALING ORVANTA_HOTKEY_BACKEND ORVANTA_PADDLE_OCR_BRIDGE ORVANTA_PADDLE_OCR_TIMEOUT_MS
             ORVANTA_DEV_LLM_URL ORVANTA_DEV_LLM_KEY ORVANTA_DEV_LLM_MODEL ORVANTA_MODEL_KEY)
  set(_modifications)
  foreach(_name IN LISTS _unset)
    if(NOT "${_env}" MATCHES "(^|;)${_name}=")
      list(APPEND _modifications ${_name}=unset:)
    endif()
  endforeach()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${_env}" ENVIRONMENT_MODIFICATION "${_modifications}"
                                            TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()

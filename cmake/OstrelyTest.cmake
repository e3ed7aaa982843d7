# ostrely_test(NAME SOURCES... LIBS libs... [LABELS labels...])
# One GoogleTest binary with a shared main that holds a QApplication on the offscreen platform;
# each case is registered with CTest. The label "threads" puts a binary in the thread-sanitizer run.
function(ostrely_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ostrely_testsupport ostrely_testmain
    GTest::gmock GTest::gtest Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE OSTRELY_BIN_DIR="${OSTRELY_BIN_DIR}"
    OSTRELY_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES ${props})
endfunction()

# ostrely_test(NAME SOURCES... LIBS libs... [LABELS labels...] [RESOURCE_LOCK locks...] [RUN_SERIAL]
#              [ENVIRONMENT VAR=value...])  (one variable for now: discovery sets one of each)
# One GoogleTest binary with a shared main that holds a QApplication on the offscreen platform;
# each case is registered with CTest. The label "threads" puts a binary in the thread-sanitizer run.
# RESOURCE_LOCK keeps the cases from running beside others that hold the same lock; RUN_SERIAL
# runs them beside no other test (for what they make seen machine-wide, such as a running program).
function(ostrely_test name)
  cmake_parse_arguments(T "RUN_SERIAL" "" "SOURCES;LIBS;LABELS;RESOURCE_LOCK;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ostrely_testsupport ostrely_testmain
    GTest::gmock GTest::gtest Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE OSTRELY_BIN_DIR="${OSTRELY_BIN_DIR}"
    OSTRELY_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  # Discovery passes no list as one property value: each variable is set on its own.
  foreach(var ${T_ENVIRONMENT})
    string(REGEX REPLACE "=.*" "" var_name "${var}")
    string(REGEX REPLACE "^[^=]*=" "" var_value "${var}")
    list(APPEND props ENVIRONMENT_MODIFICATION "${var_name}=set:${var_value}")
  endforeach()
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  if(T_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK "${T_RESOURCE_LOCK}")
  endif()
  if(T_RUN_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES ${props})
endfunction()

# ostrely_fuzz(NAME SOURCE file LIBS libs... CORPUS dir)
# The source defines LLVMFuzzerTestOneInput. Always built as a CTest case that replays the seed
# corpus and a bounded run of pseudo-random mutations of it; with OSTRELY_FUZZ=ON (clang) also as a
# libFuzzer binary NAME_libfuzzer for long runs.
function(ostrely_fuzz name)
  cmake_parse_arguments(F "" "SOURCE;CORPUS" "LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCE})
  target_link_libraries(${name} PRIVATE ${F_LIBS} ostrely_fuzzreplay)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name}.replay COMMAND ${name} ${F_CORPUS} 20000)
  if(OSTRELY_FUZZ)
    add_executable(${name}_libfuzzer ${F_SOURCE})
    target_compile_options(${name}_libfuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(${name}_libfuzzer PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name}_libfuzzer PRIVATE ${F_LIBS})
    set_target_properties(${name}_libfuzzer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  endif()
endfunction()

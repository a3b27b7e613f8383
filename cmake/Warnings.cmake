# SPDX-License-Identifier: MIT
# Warnings for the project's own targets (not for third-party code).
function(lumarel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

# A GoogleTest executable registered with CTest under the given labels.
#   lumarel_test(NAME test_x SOURCES a.cpp b.cpp LIBS lib... LABELS unit)
# MANUAL builds the executable without registering it (run by a script).
function(lumarel_test)
  cmake_parse_arguments(T "MANUAL" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  target_compile_definitions(${T_NAME} PRIVATE
    LUMAREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}" LUMAREL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  lumarel_warnings(${T_NAME})
  if(LUMAREL_SANITIZE)
    # The tests' own code is not optimised in the sanitizer builds: GoogleTest's
    # expanded macros compile four times faster at -O0, and the code under test
    # (the libraries) keeps -O2.
    target_compile_options(${T_NAME} PRIVATE -O0)
  endif()
  if(T_MANUAL)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${T_TIMEOUT})
  # gtest_discover_tests splits a label list into separate properties, so the labels
  # are set by a script that runs after discovery.
  set(labels_file ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_labels.cmake)
  file(WRITE ${labels_file}
    "foreach(test IN LISTS ${T_NAME}_TESTS)\n"
    "  set_tests_properties(\"\${test}\" PROPERTIES LABELS \"${T_LABELS}\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels_file})
  if("threads" IN_LIST T_LABELS AND TARGET lumarel_threads_tests)
    add_dependencies(lumarel_threads_tests ${T_NAME})
  endif()
endfunction()

# House rules for every target: C++20, warnings are errors, sources include
# project headers as "platform/text/cp1252.h".
# GCC 12 reports -Wrestrict on ordinary std::string concatenation at -O2 and
# above (a known false positive of that release); it stays a warning there.
set(KVT_WARNINGS -Wall -Wextra -Wpedantic -Werror $<$<CXX_COMPILER_ID:GNU>:-Wno-error=restrict>)

if(KVT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

set(CMAKE_AUTOMOC OFF)

# kvt_library(NAME SOURCES ... [DEPS ...] [QT])
function(kvt_library name)
  cmake_parse_arguments(A "QT" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${KVT_WARNINGS})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  if(A_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
endfunction()

# kvt_program(NAME SOURCES ... [DEPS ...] [QT])
function(kvt_program name)
  cmake_parse_arguments(A "QT" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${KVT_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(A_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
endfunction()

# kvt_test(NAME SOURCES ... [DEPS ...] [LABEL label] [PROPERTIES name value ...] [QT])
# PROPERTIES: more test properties for every test of the program (TIMEOUT, RUN_SERIAL).
# The shared test main (tests/support) knows where the project's files and
# programs are and sets QT_QPA_PLATFORM=offscreen.
function(kvt_test name)
  cmake_parse_arguments(A "QT" "LABEL" "SOURCES;DEPS;PROPERTIES" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${KVT_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gmock kvt_testmain)
  if(A_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  if(NOT A_LABEL)
    set(A_LABEL unit)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${A_LABEL} ${A_PROPERTIES})
endfunction()

# kvt_bench(NAME SOURCES ... [DEPS ...])
function(kvt_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${KVT_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

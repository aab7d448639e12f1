# koa_add_test(NAME SOURCES... LIBS ...): one GoogleTest program run by CTest
# under the offscreen platform, with its per-user folders in a fresh place.
function(koa_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE koa_testsupport ${T_LIBS} GTest::gtest)
  add_dependencies(${name} koa_shipped)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox;KOA_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

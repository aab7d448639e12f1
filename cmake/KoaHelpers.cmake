# koa_add_test(NAME SOURCES... LIBS ... [SCREEN WxH] [FILTER gtest-filter]
#              [TIMEOUT s]): one GoogleTest program run by CTest under the
# offscreen platform, with its per-user folders in a fresh place. The screen
# is 1280 x 1024 unless SCREEN says otherwise, so window sizes that follow the
# screen are the same on every machine.
function(koa_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT;SCREEN;FILTER" "SOURCES;LIBS" ${ARGN})
  if(T_SOURCES)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE koa_testsupport ${T_LIBS} GTest::gtest)
    add_dependencies(${name} koa_shipped)
  endif()
  koa_register_test(${name} ${name} "${T_SCREEN}" "${T_FILTER}" "${T_TIMEOUT}")
endfunction()

# koa_add_test_run(NAME PROGRAM SCREEN WxH FILTER f [TIMEOUT s]): runs part
# of an existing test program again on a screen of another size.
function(koa_add_test_run name program)
  cmake_parse_arguments(T "" "TIMEOUT;SCREEN;FILTER" "" ${ARGN})
  koa_register_test(${name} ${program} "${T_SCREEN}" "${T_FILTER}" "${T_TIMEOUT}")
endfunction()

function(koa_register_test name program screen filter timeout)
  if(NOT screen)
    set(screen 1280x1024)
  endif()
  if(NOT timeout)
    set(timeout 300)
  endif()
  string(REPLACE "x" ";" size ${screen})
  list(GET size 0 width)
  list(GET size 1 height)
  set(config ${CMAKE_BINARY_DIR}/tests/screen-${screen}.json)
  file(WRITE ${config}
    "{ \"screens\": [ { \"name\": \"koa-test\", \"x\": 0, \"y\": 0, \"width\": ${width}, \"height\": ${height}, \"logicalDpi\": 96, \"logicalBpi\": 96, \"dpr\": 1 } ] }\n")
  set(args)
  if(filter)
    set(args --gtest_filter=${filter})
  endif()
  add_test(NAME ${name} COMMAND ${program} ${args})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${timeout}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${config};QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox;KOA_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

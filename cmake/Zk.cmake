# Helpers shared by every folder of the project.
#
#   zk_library(NAME <name> [QT] SOURCES ... [DEPS ...])
#       A static library `zk_<name>`. Without QT it joins `zk412v_core` and
#       must not use Qt; with QT it joins `zk412v_gui`. Headers are included
#       as "<folder>/<file>.h" from src/.
#   zk_add_test(NAME <name> LABEL <label> SOURCES ... [DEPS ...] [QT])
#       A GoogleTest program whose cases become CTest tests with the label.
#       QT tests get a QApplication (offscreen) before the cases run. Every
#       test program starts with ZK_SOURCE_DIR, ZK_STAGE_DIR, ZK_SHARED_TESTDATA
#       and QT_QPA_PLATFORM=offscreen in its environment unless already set.

set_property(GLOBAL PROPERTY ZK_CORE_LIBS "")
set_property(GLOBAL PROPERTY ZK_GUI_LIBS "")

set(ZK_WARNINGS -Wall -Wextra -Werror)

if(ZK_SANITIZE)
  string(REPLACE ";" "," _zk_san "${ZK_SANITIZE}")
  add_compile_options(-fsanitize=${_zk_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_zk_san})
endif()

function(zk_library)
  cmake_parse_arguments(Z "QT" "NAME" "SOURCES;DEPS" ${ARGN})
  if(Z_QT AND NOT ZK_BUILD_GUI)
    return()
  endif()
  set(target zk_${Z_NAME})
  add_library(${target} STATIC ${Z_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${target} PRIVATE ${ZK_WARNINGS})
  target_link_libraries(${target} PUBLIC ${Z_DEPS} Threads::Threads)
  if(Z_QT)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    target_link_libraries(${target} PUBLIC Qt6::Widgets)
    set_property(GLOBAL APPEND PROPERTY ZK_GUI_LIBS ${target})
  else()
    set_property(GLOBAL APPEND PROPERTY ZK_CORE_LIBS ${target})
  endif()
endfunction()

function(zk_finish_aggregates)
  get_property(core GLOBAL PROPERTY ZK_CORE_LIBS)
  get_property(gui GLOBAL PROPERTY ZK_GUI_LIBS)
  add_library(zk412v_core INTERFACE)
  target_link_libraries(zk412v_core INTERFACE ${core})
  if(ZK_BUILD_GUI)
    add_library(zk412v_gui INTERFACE)
    target_link_libraries(zk412v_gui INTERFACE ${gui} zk412v_core Qt6::Widgets Qt6::UiTools)
  endif()
endfunction()

function(zk_add_test)
  cmake_parse_arguments(Z "QT" "NAME;LABEL" "SOURCES;DEPS" ${ARGN})
  if(Z_QT AND NOT ZK_BUILD_GUI)
    return()
  endif()
  add_executable(${Z_NAME} ${Z_SOURCES})
  target_compile_options(${Z_NAME} PRIVATE ${ZK_WARNINGS})
  target_include_directories(${Z_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${Z_NAME} PRIVATE ${Z_DEPS} zk_test_support GTest::gtest GTest::gmock)
  if(Z_QT)
    set_target_properties(${Z_NAME} PROPERTIES AUTOMOC ON)
    target_link_libraries(${Z_NAME} PRIVATE zk_test_qt_main Qt6::Widgets)
  else()
    target_link_libraries(${Z_NAME} PRIVATE zk_test_main)
  endif()
  gtest_discover_tests(${Z_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${Z_LABEL} TIMEOUT 120)
endfunction()

#   zk_add_fuzz(NAME <name> LABEL <label> SOURCES ... DEPS ... [CORPUS <dir>])
#       A fuzz target defining LLVMFuzzerTestOneInput. With ZK_FUZZ (clang,
#       preset `fuzz`) it is a libFuzzer program; otherwise it is linked with a
#       small driver that runs the seed corpus and a few thousand random and
#       mutated inputs, and is registered as a CTest test.
option(ZK_FUZZ "Build fuzz targets as libFuzzer programs (needs clang)" OFF)
if(ZK_FUZZ)
  # Every library is built with libFuzzer's coverage, so that a target sees the
  # code it exercises; only the fuzz programs link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
function(zk_add_fuzz)
  cmake_parse_arguments(Z "" "NAME;LABEL;CORPUS" "SOURCES;DEPS" ${ARGN})
  add_executable(${Z_NAME} ${Z_SOURCES})
  target_compile_options(${Z_NAME} PRIVATE ${ZK_WARNINGS})
  target_include_directories(${Z_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${Z_NAME} PRIVATE ${Z_DEPS})
  if(ZK_FUZZ)
    target_compile_options(${Z_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_options(${Z_NAME} PRIVATE -fsanitize=fuzzer)
  else()
    target_link_libraries(${Z_NAME} PRIVATE zk_fuzz_driver)
    set(corpus "")
    if(Z_CORPUS)
      set(corpus ${Z_CORPUS})
    endif()
    add_test(NAME ${Z_NAME} COMMAND ${Z_NAME} ${corpus})
    set_tests_properties(${Z_NAME} PROPERTIES LABELS ${Z_LABEL} TIMEOUT 300)
  endif()
endfunction()

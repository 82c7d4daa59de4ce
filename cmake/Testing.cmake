# GoogleTest: the system package natively; for the Windows builds, built with
# the cross compiler from the sources Debian's googletest package installs.
if(BRINDOL_WINDOWS)
  set(BRINDOL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${BRINDOL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL SYSTEM)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()

# brindol_add_test(NAME src... LIBS lib...)
# One CTest entry per test program; under the Windows builds CTest runs it
# through CMAKE_CROSSCOMPILING_EMULATOR (Wine in its own network namespace).
function(brindol_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(BRINDOL_WINDOWS)
    add_test(NAME ${name}.wine COMMAND ${name} --gtest_brief=1)
    # Wine can hang where the platform would fail; a test must end either way.
    set_tests_properties(${name}.wine PROPERTIES TIMEOUT 120)
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  endif()
endfunction()

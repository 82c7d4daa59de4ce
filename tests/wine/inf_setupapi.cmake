# The wizard INF files read by the platform's INF parser (setupapi under Wine), from a setup
# directory the test assembles: the package's data files, this build's libraries in its
# architecture folder and, when that tree has been built, the other Windows build's in the other.
if(NOT BRINDOL_WINDOWS)
  return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(inf_other_default ${PROJECT_SOURCE_DIR}/build/win32)
else()
  set(inf_other_default ${PROJECT_SOURCE_DIR}/build/win64)
endif()
set(BRINDOL_OTHER_WINDOWS_BUILD_DIR ${inf_other_default} CACHE PATH
    "The other architecture's Windows build tree, whose libraries the INF test also places")
brindol_add_test(inf_setupapi_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/inf_setupapi_test.cpp ${PROJECT_SOURCE_DIR}/tests/package/package_facts.cpp
  LIBS plugin_core installer_core setupapi winspool)
target_include_directories(inf_setupapi_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/package)
target_compile_definitions(inf_setupapi_tests PRIVATE
  BRINDOL_PACKAGE_DIR="${PROJECT_SOURCE_DIR}/package"
  BRINDOL_INF_SETUP_DIR="${CMAKE_CURRENT_BINARY_DIR}/inf_setup"
  BRINDOL_INF_OWN_LIBRARIES="$<TARGET_FILE:brindol80>|$<TARGET_FILE:brindol80res>"
  BRINDOL_INF_OTHER_LIBRARIES="${BRINDOL_OTHER_WINDOWS_BUILD_DIR}/bin/BRINDOL80.DLL|${BRINDOL_OTHER_WINDOWS_BUILD_DIR}/package/BRINDOL80RES.DLL")
add_dependencies(inf_setupapi_tests brindol80 brindol80res)

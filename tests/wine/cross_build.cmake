# The same page through the native bandhost and plug-in and through
# bandhost.exe and BRINDOL80.DLL under Wine gives byte-identical streams, for
# every combination of the job settings. Added to the Windows build only when
# BRINDOL_NATIVE_BUILD_DIR names a native build tree (with bandhost and
# receipt_sample built); one test per halftone setting so they run in parallel.
set(BRINDOL_NATIVE_BUILD_DIR "" CACHE PATH "Native build tree to compare the Windows build with")
if(NOT BRINDOL_WINDOWS OR NOT CMAKE_CROSSCOMPILING_EMULATOR OR NOT BRINDOL_NATIVE_BUILD_DIR)
  return()
endif()
foreach(halftone none HT_NONE HT_Ordered HT_Burkes HT_Stucki HT_FloydSteinberg
                 HT_Jarvis-Judice-Ninke HT_Sierra HT_StevensonArce)
  add_test(NAME bandhost_cross_build.${halftone}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/cross_build_check.sh
            ${BRINDOL_NATIVE_BUILD_DIR}/bin ${CMAKE_CROSSCOMPILING_EMULATOR}
            $<TARGET_FILE:bandhost> ${CMAKE_CURRENT_BINARY_DIR}/cross_build/${halftone} ${halftone})
  # 48 runs of bandhost.exe under Wine take about a minute on two busy cores.
  set_tests_properties(bandhost_cross_build.${halftone} PROPERTIES TIMEOUT 600)
endforeach()

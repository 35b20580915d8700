# The program's version, read from the one place it is written, resources/Version.h:
# TN_VERSION_MAJOR, _MINOR, _PATCH, _BUILD and TN_VERSION ("1.0.0.91").
set(TN_VERSION_HEADER ${CMAKE_SOURCE_DIR}/resources/Version.h)
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TN_VERSION_HEADER})
file(STRINGS ${TN_VERSION_HEADER} tn_version_lines REGEX "^#define TN_VERSION_[A-Z]+ +[0-9]+ *$")
foreach(line ${tn_version_lines})
  string(REGEX REPLACE "^#define TN_VERSION_([A-Z]+) +([0-9]+) *$" "\\1" part "${line}")
  string(REGEX REPLACE "^#define TN_VERSION_([A-Z]+) +([0-9]+) *$" "\\2" number "${line}")
  set(TN_VERSION_${part} ${number})
endforeach()
foreach(part MAJOR MINOR PATCH BUILD)
  if(NOT DEFINED TN_VERSION_${part})
    message(FATAL_ERROR "${TN_VERSION_HEADER} does not define TN_VERSION_${part}")
  endif()
endforeach()
set(TN_VERSION ${TN_VERSION_MAJOR}.${TN_VERSION_MINOR}.${TN_VERSION_PATCH}.${TN_VERSION_BUILD})
# The next build number: the tests' newer copy of the program, to update to.
math(EXPR TN_NEXT_VERSION_BUILD "${TN_VERSION_BUILD} + 1")
set(TN_NEXT_VERSION ${TN_VERSION_MAJOR}.${TN_VERSION_MINOR}.${TN_VERSION_PATCH}.${TN_NEXT_VERSION_BUILD})

# The application manifest names the program's version too: written into OUTDIR for the
# resource compiler, which finds it there by its bare name.
function(tn_configure_manifest version outdir)
  set(TN_MANIFEST_VERSION ${version})
  configure_file(${CMAKE_SOURCE_DIR}/resources/TessaroNotifier.manifest.in ${outdir}/TessaroNotifier.manifest @ONLY)
endfunction()

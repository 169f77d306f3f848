# The Windows targets, built with the MinGW-w64 toolchain (cmake/mingw-w64.cmake):
# lanvo303.exe, the program that customers run, and, with the tests, the
# GoogleTest suite and the helpers of the Windows tests, run under Wine.
enable_language(RC)

# The dialogs join the library, so that the tests can open them.
target_sources(lanvo PRIVATE app/win_dialogs.cpp)

# The version resource and the manifest: the version from project(), the
# manifest configured beside the .rc that names it.
set(LANVO_MANIFEST ${CMAKE_BINARY_DIR}/generated/lanvo303.exe.manifest)
configure_file(resources/lanvo303.exe.manifest ${LANVO_MANIFEST} @ONLY)
configure_file(resources/lanvo303-version.rc.in ${CMAKE_BINARY_DIR}/generated/lanvo303-version.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/lanvo303-version.rc PROPERTIES
                            OBJECT_DEPENDS ${LANVO_MANIFEST})

add_executable(lanvo303 WIN32 app/win_main.cpp resources/lanvo303.rc
               ${CMAKE_BINARY_DIR}/generated/lanvo303-version.rc)
target_link_libraries(lanvo303 PRIVATE lanvo)
target_include_directories(lanvo303 PRIVATE ${CMAKE_SOURCE_DIR})

if(LANVO_TESTS)
  # GoogleTest from Debian's sources, built with the same toolchain (it names
  # its targets GTest::gtest and GTest::gtest_main itself). Our
  # warning options are not its business.
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  get_directory_property(lanvo_options COMPILE_OPTIONS)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${lanvo_options}")

  # Every Windows program of the tests runs under Wine in a prefix of this
  # build, made on first use (tools/wine-prefix.sh).
  set(LANVO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "Wine prefix of the tests")
  configure_file(cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

  # The probe that the end-to-end test reads the windows of lanvo303.exe with.
  add_executable(lanvo-probe tests/win32/helpers/probe.cpp)
  target_link_libraries(lanvo-probe PRIVATE lanvo)
  set_target_properties(lanvo-probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The stopwatch that asks the dialog for an answer while it converts.
  add_executable(lanvo-dialog-probe tests/win32/helpers/dialog_probe.cpp)
  target_link_libraries(lanvo-dialog-probe PRIVATE lanvo)
  set_target_properties(lanvo-dialog-probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endif()

# The Windows program's work without its window, for the benchmarks under Wine
# (bench/windows.sh): the same dialog procedure, core and platform layer.
add_executable(lanvo-bench-win bench/windows_harness.cpp)
target_link_libraries(lanvo-bench-win PRIVATE lanvo)

# The release package, lanvo303-<version>-win64.zip (tools/package-windows.sh,
# or cpack -G ZIP in the build folder): the program, LEIAME.TXT in the code
# page and line ends of a Windows of Brazil, and SHA256SUMS of the two.
set(LANVO_LEIAME ${CMAKE_BINARY_DIR}/generated/LEIAME.TXT)
configure_file(resources/LEIAME.TXT.in ${CMAKE_BINARY_DIR}/generated/LEIAME.utf8 @ONLY NEWLINE_STYLE CRLF)
execute_process(COMMAND iconv -f UTF-8 -t CP1252 ${CMAKE_BINARY_DIR}/generated/LEIAME.utf8
                OUTPUT_FILE ${LANVO_LEIAME} RESULT_VARIABLE leiame_result)
if(NOT leiame_result EQUAL 0)
  message(FATAL_ERROR "LEIAME.TXT: iconv could not write resources/LEIAME.TXT.in in code page 1252")
endif()

install(TARGETS lanvo303 RUNTIME DESTINATION .)
install(FILES ${LANVO_LEIAME} DESTINATION .)
# The sums are those of the files as they are in the package (the program
# stripped), taken once they are there.
install(CODE [[
  set(dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  file(SHA256 "${dir}/lanvo303.exe" exe_sum)
  file(SHA256 "${dir}/LEIAME.TXT" leiame_sum)
  file(WRITE "${dir}/SHA256SUMS" "${exe_sum}  lanvo303.exe\n${leiame_sum}  LEIAME.TXT\n")
]])

# Packing builds nothing of its own (tools/package-windows.sh builds the
# program first), so that a build folder of the tests packs without its tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME lanvo303)
set(CPACK_PACKAGE_VENDOR Lanvo)
set(CPACK_PACKAGE_FILE_NAME lanvo303-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The Windows build: the Win32 window platform, the Direct3D 9 device, the program with its resources and
# debugsymbols.dat, and the tests, which run under Wine (the Linux build's own tools make the symbol file).
set(QZ_HOST_BUILD "" CACHE PATH "A build of this project for the build machine: its symgen makes debugsymbols.dat, and the
tests run its programs beside these")

# Every test here shares one Wine prefix in the build directory, made once before them; one at a time, as the
# prefix's processes keep the display of the first program that started them.
set(WINE_ENVIRONMENT WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEDEBUG=-all)
add_test(NAME wine_prefix COMMAND env ${WINE_ENVIRONMENT} wineboot -i)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
function(add_wine_test name)
    add_test(NAME ${name} COMMAND ${ARGN})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${WINE_ENVIRONMENT}" TIMEOUT 300
                                            RUN_SERIAL TRUE)
endfunction()

# Every call of __cxa_throw in the statically linked program, the C++ runtime's own included, goes to the hook.
add_library(pw2throwhook OBJECT app/pw2_throwhook.cpp)
target_link_libraries(pw2throwhook PUBLIC pw2app)
target_link_options(pw2throwhook INTERFACE -Wl,--wrap=__cxa_throw)

# In a directory of their own: the crash report's tests read the symbol file beside the executable, and the
# program's is not theirs.
set_target_properties(unit_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/unittests)
add_wine_test(unit_tests wine $<TARGET_FILE:unit_tests>)

# The window system on Win32 and the device on Direct3D 9.
file(GLOB WIN32_PLATFORM_SOURCES CONFIGURE_DEPENDS platform/win32/qzwin32*.cpp)
add_library(qzplatform_win32 STATIC ${WIN32_PLATFORM_SOURCES})
target_include_directories(qzplatform_win32 PUBLIC platform/win32)
target_link_libraries(qzplatform_win32 PUBLIC qzengine comctl32 comdlg32 gdi32 user32 shell32 winmm)
file(GLOB D3D9_PLATFORM_SOURCES CONFIGURE_DEPENDS platform/d3d9/*.cpp)
add_library(qzplatform_d3d9 STATIC ${D3D9_PLATFORM_SOURCES})
target_include_directories(qzplatform_d3d9 PUBLIC platform/d3d9)
target_link_libraries(qzplatform_d3d9 PUBLIC qzengine d3d9)

# The program, a windowed one, with the icon and the fonts compiled in from the resource script.
add_executable(facetwright WIN32 app/main.cpp resources/facetwright.rc)
target_link_libraries(facetwright PRIVATE pw2app qzplatform_d3d9 qzplatform_win32 pw2throwhook)
# debugsymbols.dat beside an executable, made from its symbol table each time it is linked.
function(add_symbol_file target)
    if(QZ_HOST_BUILD)
        add_custom_command(TARGET ${target} POST_BUILD VERBATIM
                           COMMAND ${QZ_HOST_BUILD}/symgen $<TARGET_FILE:${target}>
                                   $<TARGET_FILE_DIR:${target}>/debugsymbols.dat)
    endif()
endfunction()
add_symbol_file(facetwright)

# The platform's own tests on the real calls, on a virtual display.
set(XVFB xvfb-run -a -s "-screen 0 1280x1024x24")
add_executable(win32_tests tests/win32/test_win32platform.cpp resources/facetwright.rc)
target_compile_definitions(win32_tests PRIVATE FACETWRIGHT_RESOURCE_DIR="Z:${CMAKE_SOURCE_DIR}/resources")
target_link_libraries(win32_tests PRIVATE qzplatform_win32 GTest::gtest GTest::gtest_main)
add_wine_test(win32_platform ${XVFB} wine $<TARGET_FILE:win32_tests>)
add_executable(d3d9_tests tests/d3d9/test_d3d9device.cpp)
target_link_libraries(d3d9_tests PRIVATE qzplatform_d3d9 qzplatform_win32 GTest::gtest GTest::gtest_main)
target_include_directories(d3d9_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/device)
add_wine_test(d3d9_device ${XVFB} wine $<TARGET_FILE:d3d9_tests>)

# The crash report of a probe that throws or faults, in a directory of its own so that it reads its own
# debugsymbols.dat; the real program under Wine beside the Linux build, first frames compared.
add_executable(crash_probe WIN32 tests/crash/crash_probe.cpp)
target_link_libraries(crash_probe PRIVATE pw2app qzplatform_win32 pw2throwhook)
set_target_properties(crash_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/crashprobe)
add_symbol_file(crash_probe)
if(QZ_HOST_BUILD)
    add_wine_test(crash_report ${CMAKE_SOURCE_DIR}/tests/crash/test_crash_windows.sh $<TARGET_FILE:crash_probe>
                  ${QZ_HOST_BUILD}/symgen ${QZ_HOST_BUILD}/xclose)
    add_wine_test(window_wine ${CMAKE_SOURCE_DIR}/tests/wine/test_wine.sh $<TARGET_FILE:facetwright>
                  ${QZ_HOST_BUILD}/facetwright ${QZ_HOST_BUILD}/xclose)
endif()

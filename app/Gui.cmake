# The Windows program ledgerine.exe: the window shell's Win32 layer, the resources (icon drawn
# by our own generator, manifest) and the entry. Included by app/CMakeLists.txt on Windows.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

file(GLOB ledgerine_gui_win32_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/gui/win32/*.cpp)
add_library(ledgerine_gui_win32 STATIC ${ledgerine_gui_win32_sources})
target_link_libraries(ledgerine_gui_win32 PUBLIC ledgerine_gui_core ledgerine_driver comctl32
                      ole32 oleaut32 uuid shell32 comdlg32 gdi32 user32 uxtheme)
ledgerine_warnings(ledgerine_gui_win32)

set(ledgerine_resource_dir ${CMAKE_CURRENT_BINARY_DIR}/resources)
file(MAKE_DIRECTORY ${ledgerine_resource_dir})
add_custom_command(
    OUTPUT ${ledgerine_resource_dir}/ledgerine.ico
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/resources/make_icon.py
            ${ledgerine_resource_dir}/ledgerine.ico
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/make_icon.py
    COMMENT "Drawing the program icon")
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/resources/ledgerine.rc PROPERTIES
    OBJECT_DEPENDS "${ledgerine_resource_dir}/ledgerine.ico;${CMAKE_CURRENT_SOURCE_DIR}/resources/ledgerine.exe.manifest")
# An object library, so that the GUI tests get the same icon and manifest linked in.
add_library(ledgerine_resources OBJECT ${CMAKE_CURRENT_SOURCE_DIR}/resources/ledgerine.rc)
target_include_directories(ledgerine_resources PRIVATE ${ledgerine_resource_dir}
                           ${CMAKE_CURRENT_SOURCE_DIR}/resources)

add_executable(ledgerine WIN32 gui_main.cpp)
target_link_options(ledgerine PRIVATE -municode)
target_link_libraries(ledgerine PRIVATE ledgerine_resources ledgerine_gui_win32 ledgerine::core)
ledgerine_warnings(ledgerine)

# The window tests (tests/gui/win32) make real windows: they link the Win32 layer and the
# resources, and run under a virtual X display of their own through scripts/wine-gui-run, which
# also takes them one at a time. Run after tests/ has defined them.
function(ledgerine_gui_tests)
    set(LEDGERINE_GUI_TEST_RUNNER ${CMAKE_SOURCE_DIR}/scripts/wine-gui-run)
    get_property(tests DIRECTORY ${CMAKE_SOURCE_DIR}/tests PROPERTY BUILDSYSTEM_TARGETS)
    foreach(test IN LISTS tests)
        if(test MATCHES "^gui_win32_")
            target_link_libraries(${test} PRIVATE ledgerine_resources ledgerine_gui_win32)
            set_property(TARGET ${test} PROPERTY CROSSCOMPILING_EMULATOR
                         ${LEDGERINE_GUI_TEST_RUNNER} --prefix=${CMAKE_BINARY_DIR}/wine-prefix-gui)
        endif()
    endforeach()
    add_test(NAME gui_win32_end_to_end
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/gui-e2e ${CMAKE_BINARY_DIR}
                     $<TARGET_FILE:ledgerine> $<TARGET_FILE:ledgerine-e2e-driver>)
    # Placement on a small screen: the window opens centred.
    if(TARGET gui_win32_main_window_test)
        add_test(NAME gui_win32_main_window_test_small_screen
                 COMMAND ${LEDGERINE_GUI_TEST_RUNNER} --prefix=${CMAKE_BINARY_DIR}/wine-prefix-gui-small
                         --screen=640x480 $<TARGET_FILE:gui_win32_main_window_test>
                         --gtest_filter=MainWindowTest.OpensOneHundredPixelsFromTheScreensCorner)
    endif()
endfunction()
if(LEDGERINE_TESTS)
    # Drives ledgerine.exe from outside its process (scripts/gui-e2e), with a screenshot.
    add_executable(ledgerine-e2e-driver ${CMAKE_SOURCE_DIR}/tests/gui/win32/e2e_driver.cpp)
    target_link_options(ledgerine-e2e-driver PRIVATE -municode)
    target_link_libraries(ledgerine-e2e-driver PRIVATE ledgerine_test_support ledgerine_gui_win32)
    ledgerine_warnings(ledgerine-e2e-driver)
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL ledgerine_gui_tests)
endif()

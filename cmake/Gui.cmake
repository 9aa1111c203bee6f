# The desktop program: the charts, then the window, as the two layers above the core.
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
vardeck_layer(chart LINKS vardeck_core Qt6::Widgets)
vardeck_layer(app LINKS vardeck_chart)
# Where --workdir finds the installed defaults, from the program's own folder.
file(RELATIVE_PATH data_from_bin /${CMAKE_INSTALL_BINDIR} /${VARDECK_SHARE_DIR}/data)
target_compile_definitions(vardeck_app PRIVATE VARDECK_VERSION="${PROJECT_VERSION}"
    VARDECK_DATA_FROM_BIN="${data_from_bin}")
add_executable(vardeck src/app/main.cpp)
target_link_libraries(vardeck PRIVATE vardeck_app)

if(BUILD_TESTING)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    file(GLOB GUI_TEST_SOURCES CONFIGURE_DEPENDS tests/gui/*.cpp)
    add_executable(vardeck_gui_tests ${GUI_TEST_SOURCES})
    target_link_libraries(vardeck_gui_tests PRIVATE vardeck_app Qt6::Test)
    set_target_properties(vardeck_gui_tests PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
    add_dependencies(vardeck_test_programs vardeck_gui_tests)
    target_compile_definitions(vardeck_gui_tests PRIVATE VARDECK_DATA_DIR="${CMAKE_SOURCE_DIR}/data")
    if(TARGET vardeck)
        # The start-up tests run the program itself.
        target_compile_definitions(vardeck_gui_tests PRIVATE
            VARDECK_PROGRAM="$<TARGET_FILE:vardeck>")
        add_dependencies(vardeck_gui_tests vardeck)
    endif()
    # One test per test class, named after its file (main_window_test.cpp holds MainWindowTest),
    # so that ctest reports and runs them one by one.
    file(GLOB GUI_TEST_CLASS_SOURCES CONFIGURE_DEPENDS tests/gui/*_test.cpp)
    foreach(source ${GUI_TEST_CLASS_SOURCES})
        get_filename_component(file ${source} NAME_WE)
        string(REPLACE "_" ";" words ${file})
        set(class "")
        foreach(word ${words})
            string(SUBSTRING ${word} 0 1 first)
            string(SUBSTRING ${word} 1 -1 rest)
            string(TOUPPER ${first} first)
            string(APPEND class ${first}${rest})
        endforeach()
        add_test(NAME gui.${class} COMMAND vardeck_gui_tests ${class})
        set_tests_properties(gui.${class} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                             LABELS gui)
    endforeach()
endif()

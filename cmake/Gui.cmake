# The desktop program: Qt widgets around the core's Simulation.
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
file(GLOB GUI_SOURCES CONFIGURE_DEPENDS src/chart/*.cpp src/app/*.cpp src/app/*.qrc)
list(FILTER GUI_SOURCES EXCLUDE REGEX "src/app/main\\.cpp$")
file(GLOB GUI_HEADERS CONFIGURE_DEPENDS src/chart/*.h src/app/*.h)
if(GUI_SOURCES)
    add_library(vardeck_gui STATIC ${GUI_SOURCES} ${GUI_HEADERS})
    target_link_libraries(vardeck_gui PUBLIC vardeck_core Qt6::Widgets)
    # Where --workdir finds the installed defaults, from the program's own folder.
    file(RELATIVE_PATH data_from_bin /${CMAKE_INSTALL_BINDIR} /${VARDECK_SHARE_DIR}/data)
    target_compile_definitions(vardeck_gui PRIVATE VARDECK_VERSION="${PROJECT_VERSION}"
        VARDECK_DATA_FROM_BIN="${data_from_bin}")
    if(EXISTS ${CMAKE_SOURCE_DIR}/src/app/main.cpp)
        add_executable(vardeck src/app/main.cpp)
        target_link_libraries(vardeck PRIVATE vardeck_gui)
    endif()
    file(GLOB GUI_TEST_SOURCES CONFIGURE_DEPENDS tests/gui/*.cpp)
    if(GUI_TEST_SOURCES)
        add_executable(vardeck_gui_tests ${GUI_TEST_SOURCES})
        target_link_libraries(vardeck_gui_tests PRIVATE vardeck_gui Qt6::Test)
        target_compile_definitions(vardeck_gui_tests PRIVATE
            VARDECK_DATA_DIR="${CMAKE_SOURCE_DIR}/data")
        if(TARGET vardeck)
            # The start-up tests run the program itself.
            target_compile_definitions(vardeck_gui_tests PRIVATE
                VARDECK_PROGRAM="$<TARGET_FILE:vardeck>")
            add_dependencies(vardeck_gui_tests vardeck)
        endif()
        add_test(NAME gui_tests COMMAND vardeck_gui_tests)
        set_tests_properties(gui_tests PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
endif()

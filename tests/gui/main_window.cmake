find_package(Qt6 REQUIRED COMPONENTS Test)

# The main window driven as a user drives it; conversions read back with pyshp.
tesselar_gtest(main_window_test
    SOURCES QtTestApplication.cpp MainWindowLayoutTest.cpp ProgressDisplayTest.cpp
            AttributeListTest.cpp CreateCommandTest.cpp PickersTest.cpp PathDropsTest.cpp
            StartupTest.cpp ConversionFromWindowTest.cpp
    LIBS tesselar_forms Qt6::Test)
target_compile_definitions(main_window_test PRIVATE
    TESSELAR_PYTHON="${TESSELAR_PYTHON}"
    TESSELAR_GUI_TEST_DIR="${CMAKE_CURRENT_SOURCE_DIR}")

# The layout again on a screen of 120 dots per inch: sizes follow the density.
add_test(NAME main_window_layout_at_120_dpi
         COMMAND main_window_test
                 --gtest_filter=MainWindowLayoutTest.*:ProgressDisplayTest.*:StartupTest.*)
set_tests_properties(main_window_layout_at_120_dpi PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen:configfile=${CMAKE_CURRENT_SOURCE_DIR}/offscreen-120dpi.json")

# Pictures of the main window after start-up and of the splash and About windows, for
# scripts/screenshot.sh.
add_executable(screenshots Screenshots.cpp)
target_link_libraries(screenshots PRIVATE tesselar_forms Qt6::Test)

# The real program, idle, ends with 128 + the signal's number on SIGINT, SIGTERM and SIGHUP.
add_test(NAME window_ends_on_signals
         COMMAND ${TESSELAR_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/window_signals.py
                 $<TARGET_FILE:tesselar>)
set_tests_properties(window_ends_on_signals PROPERTIES ENVIRONMENT
    "PYTHONPATH=${PROJECT_SOURCE_DIR}/tests/robustness")

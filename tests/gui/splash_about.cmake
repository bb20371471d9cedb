find_package(Qt6 REQUIRED COMPONENTS Test)

# The splash and About windows and the program's pictures.
tesselar_gtest(splash_about_test
    SOURCES QtTestApplication.cpp SplashTest.cpp AboutTest.cpp PicturesTest.cpp
    LIBS tesselar_forms Qt6::Test)

set(TESSELAR_FORMS_ASSETS ${PROJECT_SOURCE_DIR}/src/forms/assets)
add_test(NAME pictures_match_script
         COMMAND ${TESSELAR_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/pictures_match_script.py
                 ${TESSELAR_FORMS_ASSETS})

find_program(TESSELAR_DESKTOP_FILE_VALIDATE desktop-file-validate)
if(TESSELAR_DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_entry_is_valid
             COMMAND ${TESSELAR_DESKTOP_FILE_VALIDATE} ${TESSELAR_FORMS_ASSETS}/tesselar.desktop)
endif()


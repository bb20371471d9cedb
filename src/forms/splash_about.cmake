# The splash and About windows and the program's pictures.
target_sources(tesselar_forms PRIVATE
    frmAbout.cpp
    frmSplash.cpp
    DesignFonts.cpp
    ProgramPictures.cpp
    assets/tesselar_pictures.qrc)

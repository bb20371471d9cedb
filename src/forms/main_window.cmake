# The main window, the pickers and the dialog services.
target_sources(tesselar_forms PRIVATE
    BrowseFolder.cpp
    BrowseForFile.cpp
    ClassicFrameStyle.cpp
    ClassicFrameStyle.h
    MoveProgressBarIntoPanel.cpp
    PathDrops.cpp
    QtDesktopServices.cpp
    SignalEnd.cpp
    Tesselar.cpp
    Tesselar.h
    TesselarAttributes.cpp
    TesselarCreate.cpp
    TesselarLayout.cpp
    WindowProgressDisplay.cpp
    WrappingButton.cpp
    WrappingButton.h)

# Install rules for the programs, the icon and the desktop entry.
foreach(program tesselar tesselar-convert)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

if(TARGET tesselar)
    set(TESSELAR_ASSETS ${PROJECT_SOURCE_DIR}/src/forms/assets)
    foreach(size 16 32)
        install(FILES ${TESSELAR_ASSETS}/tesselar-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME tesselar.png)
    endforeach()
    install(FILES ${TESSELAR_ASSETS}/tesselar.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

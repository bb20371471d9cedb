# Sets VARIABLE to the soname of the shared library LIBRARY (a path), by which the program
# loads it with dlopen when first needed rather than linking it at start.
function(tesselar_soname variable library)
    execute_process(COMMAND ${CMAKE_OBJDUMP} -p ${library}
                    OUTPUT_VARIABLE dynamic_section COMMAND_ERROR_IS_FATAL ANY)
    if(NOT dynamic_section MATCHES "SONAME +([^ \n]+)")
        message(FATAL_ERROR "${library} names no soname to load it by")
    endif()
    set(${variable} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

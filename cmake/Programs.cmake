# Makes the three programs that one source gives: the registration, the removal (built
# with REMOVAL) and the refresh (built with REFRESH). Each is a GUI program on Windows,
# so that its arguments come through WinMain, and links the library.
function(vivado_add_programs source register remove refresh)
    add_executable(${register} WIN32 ${source})
    add_executable(${remove} WIN32 ${source})
    target_compile_definitions(${remove} PRIVATE REMOVAL)
    add_executable(${refresh} WIN32 ${source})
    target_compile_definitions(${refresh} PRIVATE REFRESH)
    foreach(program ${register} ${remove} ${refresh})
        target_link_libraries(${program} PRIVATE vivadointegration)
        if(WIN32)
            vivado_copy_runtime(${program})
        endif()
    endforeach()
endfunction()

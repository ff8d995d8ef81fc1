# What a Windows build needs beside its executables: Qt's DLLs, the platform plugins
# and, with MinGW, the compiler's runtime. windeployqt finds these itself where it
# exists (a native Qt install); a cross build copies them.

set(vivado_qt_dlls)
foreach(module Core Gui Widgets Xml)
    list(APPEND vivado_qt_dlls "$<TARGET_FILE:Qt5::${module}>")
endforeach()
set(vivado_platform_plugins "$<TARGET_FILE:Qt5::QWindowsIntegrationPlugin>")

set(vivado_compiler_runtime)
if(MINGW)
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT EXISTS "${path}")
            # Debian keeps winpthread with the target's libraries, not the compiler's.
            find_file(path ${dll} PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
        endif()
        list(APPEND vivado_compiler_runtime "${path}")
        unset(path CACHE)
    endforeach()
endif()

# Puts the runtime beside an executable of the build tree, so that it runs there;
# further DLLs it needs may follow the target's name. Call it where the target is made.
function(vivado_copy_runtime target)
    set(dir "$<TARGET_FILE_DIR:${target}>")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory "${dir}/platforms"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${vivado_qt_dlls} ${ARGN} ${vivado_compiler_runtime} "${dir}"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${vivado_platform_plugins}
                "$<TARGET_FILE:Qt5::QOffscreenIntegrationPlugin>" "$<TARGET_FILE:Qt5::QMinimalIntegrationPlugin>"
                "${dir}/platforms")
endfunction()

find_program(WINDEPLOYQT windeployqt HINTS "${Qt5_DIR}/../../../bin" NO_CMAKE_FIND_ROOT_PATH)
if(WINDEPLOYQT AND NOT CMAKE_CROSSCOMPILING)
    install(CODE "execute_process(COMMAND \"${WINDEPLOYQT}\" --no-translations
                  \"\${CMAKE_INSTALL_PREFIX}/bin/VivadoIntegration.exe\")")
else()
    install(FILES ${vivado_qt_dlls} ${vivado_compiler_runtime} DESTINATION bin)
    install(FILES ${vivado_platform_plugins} DESTINATION bin/platforms)
endif()

# Windows executables carry the project's version, so that a deployment tool's detection
# rule can tell which one is installed, and the manifest in application.manifest.

enable_language(RC)

# FILEVERSION takes four numbers; those the project leaves out are 0.
set(vivado_version_numbers)
foreach(number MAJOR MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${number}}" STREQUAL "")
        list(APPEND vivado_version_numbers 0)
    else()
        list(APPEND vivado_version_numbers "${PROJECT_VERSION_${number}}")
    endif()
endforeach()
string(REPLACE ";" "," VIVADO_VERSION_COMMAS "${vivado_version_numbers}")
string(REPLACE ";" "." VIVADO_VERSION_DOTS "${vivado_version_numbers}")

# Adds the version resource, with the description that Explorer and Task Manager show,
# and the manifest to an executable.
function(vivado_add_version_info target description)
    set(VIVADO_TARGET "${target}")
    set(VIVADO_FILE_DESCRIPTION "${description}")
    set(VIVADO_MANIFEST "${PROJECT_SOURCE_DIR}/cmake/application.manifest")
    if(MSVC)
        # The linker writes a manifest of its own and puts it where ours would go: CMake
        # merges a listed .manifest into it instead, which then alone asks for a level.
        set(VIVADO_MANIFEST_IN_RC 0)
        target_sources(${target} PRIVATE "${VIVADO_MANIFEST}")
        target_link_options(${target} PRIVATE /MANIFESTUAC:NO)
    else()
        set(VIVADO_MANIFEST_IN_RC 1)
    endif()
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/versioninfo.rc.in" "${rc}" @ONLY)
    target_sources(${target} PRIVATE "${rc}")
    # A changed manifest is built in again.
    set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${VIVADO_MANIFEST}")
endfunction()

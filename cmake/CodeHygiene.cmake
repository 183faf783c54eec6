# SPDX-License-Identifier: MIT
# Rules for the project's own program code, applied in one place.
#
# velmoro_apply_hygiene(DIR...) gives every compiled target defined in the
# listed source folders (relative to the top of the project) the Qt
# definitions below: no silent conversions
# between QString and 8-bit text or URLs (every text's encoding is stated in
# the code), and no use of what Qt 6.4 already marks deprecated.
#
# Extra warnings (-Wshadow -Wnon-virtual-dtor -Woverloaded-virtual) are set
# for every target, tests included, in the top-level CMakeLists.txt; this
# file adds only the definitions.

set(VELMORO_QT_HYGIENE_DEFINITIONS
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_DISABLE_DEPRECATED_BEFORE=0x060400
)

function(velmoro_apply_hygiene)
    # Folders that this configuration did not add (bench/ and tools/ are
    # optional) are skipped.
    get_property(added DIRECTORY "${PROJECT_SOURCE_DIR}" PROPERTY SUBDIRECTORIES)
    list(APPEND added "${PROJECT_SOURCE_DIR}")
    foreach(dir IN LISTS ARGN)
        get_filename_component(dir "${dir}" ABSOLUTE BASE_DIR "${PROJECT_SOURCE_DIR}")
        if(NOT dir IN_LIST added)
            continue()
        endif()
        get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            get_target_property(type ${target} TYPE)
            if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
                target_compile_definitions(${target} PRIVATE ${VELMORO_QT_HYGIENE_DEFINITIONS})
            endif()
        endforeach()
    endforeach()
endfunction()

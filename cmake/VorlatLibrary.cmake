# One static library per source folder, built from the folder's .cpp files.
function(vorlat_library name)
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
    if(NOT sources)
        # A folder whose code has not landed yet still yields a (empty) library.
        set(sources "${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp")
        file(WRITE "${sources}" "// This folder has no code yet.\n")
    endif()
    add_library(${name} STATIC ${sources})
endfunction()

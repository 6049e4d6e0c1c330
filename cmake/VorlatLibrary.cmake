# One static library per source folder, built from the folder's .cpp files.
#
# Headers are included by folder ("score/ScoreData.h"). A library does not export the
# project root: it exports a directory of its own that holds a single link named after its
# folder. A target sees exactly the folders of the libraries it links, so a lower library
# that includes a higher one's header fails to compile.
function(vorlat_library name folder)
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
    if(NOT sources)
        set(sources "${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp")
        file(WRITE "${sources}" "// This folder has no code yet.\n")
    endif()
    add_library(${name} STATIC ${sources})
    vorlat_export_folder(${name} PUBLIC ${folder})
endfunction()

# Gives target the headers of the source folder named folder (with the given scope).
function(vorlat_export_folder target scope folder)
    set(root "${PROJECT_BINARY_DIR}/include/${target}")
    file(MAKE_DIRECTORY "${root}")
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${root}/${folder}" SYMBOLIC)
    target_include_directories(${target} ${scope} "${root}")
endfunction()

# The program's layers. Each GUI folder of src/ is a library, and its include prefix
# ("views/...") is found only by its own library and by those that link it: the library's
# include root is a folder of the build tree that holds nothing but a link to its source
# folder. A header of a layer above is then not on a layer's include path, so a wrong-way
# include fails to build. (src/ itself is on no include path.)
function(zvr_gui_layer target)
    set(folder ${CMAKE_CURRENT_SOURCE_DIR})
    cmake_path(GET folder FILENAME prefix)
    set(root ${PROJECT_BINARY_DIR}/include/${prefix})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${folder} ${root}/${prefix} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${root})
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    target_compile_definitions(${target} PUBLIC QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)
endfunction()

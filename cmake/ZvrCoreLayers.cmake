# The core's layers. src/core is one library, but its folders are layers as the GUI libraries
# are: a folder may include its own headers and those of the folders it names below it (and,
# through them, of the folders those name). Before the library compiles, every source and
# header of the core is read and a wrong-way include fails the build, naming the file, the
# include and what its folder may use.
#
#   zvr_core_layers(TARGET "FOLDER[: LOWER...]" ...)
#
# lists the folders from the bottom up; a folder may name only folders listed before it, so
# the layers cannot form a circle. Run with -P, this file is the check itself.

if(NOT CMAKE_SCRIPT_MODE_FILE)

set(ZVR_CORE_LAYER_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(zvr_core_layers target)
    set(root ${CMAKE_CURRENT_SOURCE_DIR})
    set(declared)
    set(rules)
    foreach(entry IN LISTS ARGN)
        string(REPLACE ":" ";" parts "${entry}")
        list(GET parts 0 folder)
        string(STRIP "${folder}" folder)
        set(below)
        list(LENGTH parts count)
        if(count GREATER 1)
            list(GET parts 1 names)
            string(STRIP "${names}" names)
            string(REGEX REPLACE "[ \t]+" ";" below "${names}")
        endif()
        if(NOT IS_DIRECTORY ${root}/${folder})
            message(FATAL_ERROR "core layer '${folder}' is no folder of ${root}")
        endif()
        # What the folder may use: the named folders and all they may use.
        set(uses)
        foreach(lower IN LISTS below)
            if(NOT lower IN_LIST declared)
                message(FATAL_ERROR "core layer '${folder}' names '${lower}', which is not "
                                    "listed below it")
            endif()
            list(APPEND uses ${lower} ${uses_${lower}})
        endforeach()
        list(REMOVE_DUPLICATES uses)
        list(SORT uses)
        set(uses_${folder} ${uses})
        list(APPEND declared ${folder})
        list(JOIN uses "," joined)
        list(APPEND rules "${folder}=${joined}")
    endforeach()

    file(GLOB children LIST_DIRECTORIES true RELATIVE ${root} ${root}/*)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${root}/${child} AND NOT child IN_LIST declared)
            message(FATAL_ERROR "core folder '${child}' is in no layer: add it to "
                                "zvr_core_layers in ${root}/CMakeLists.txt")
        endif()
    endforeach()

    file(GLOB_RECURSE files CONFIGURE_DEPENDS ${root}/*.h ${root}/*.cpp)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}_layers.stamp)
    list(JOIN rules "|" rules_text)
    add_custom_command(
        OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} "-DROOT=${root}" "-DRULES=${rules_text}" "-DSTAMP=${stamp}"
                -P ${ZVR_CORE_LAYER_SCRIPT}
        DEPENDS ${files} ${ZVR_CORE_LAYER_SCRIPT} ${root}/CMakeLists.txt
        COMMENT "Checking the core's layers"
        VERBATIM)
    add_custom_target(${target}_layers DEPENDS ${stamp})
    add_dependencies(${target} ${target}_layers)
endfunction()

else()

cmake_minimum_required(VERSION 3.25)

# The check: ROOT the core's folder, RULES "folder=lower,lower|folder=...", STAMP written on
# success.
string(REPLACE "|" ";" rules "${RULES}")
set(folders)
foreach(rule IN LISTS rules)
    string(REPLACE "=" ";" parts "${rule}")
    list(GET parts 0 folder)
    list(LENGTH parts count)
    set(uses_${folder})
    if(count GREATER 1)
        list(GET parts 1 uses)
        string(REPLACE "," ";" uses_${folder} "${uses}")
    endif()
    list(APPEND folders ${folder})
endforeach()

set(faults)
file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/*.h ${ROOT}/*.cpp)
list(SORT files)
foreach(file IN LISTS files)
    string(REGEX MATCH "^[^/]+" folder "${file}")
    if(folder STREQUAL file OR NOT folder IN_LIST folders)
        list(APPEND faults "src/core/${file}: its folder is in no layer of the core")
        continue()
    endif()
    file(STRINGS ${ROOT}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^/\"]+/")
    foreach(line IN LISTS includes)
        string(REGEX MATCH "\"([^/\"]+)/" used "${line}")
        set(used ${CMAKE_MATCH_1})
        if(used STREQUAL folder OR NOT used IN_LIST folders OR used IN_LIST uses_${folder})
            continue()
        endif()
        list(JOIN uses_${folder} ", " allowed)
        if(allowed STREQUAL "")
            set(allowed "nothing of the core")
        endif()
        string(STRIP "${line}" line)
        list(APPEND faults "src/core/${file}: ${line}: ${folder} may use only ${allowed}")
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "wrong-way includes between the core's layers "
                        "(README, \"The program's layers\"):\n${text}")
endif()
file(TOUCH ${STAMP})

endif()

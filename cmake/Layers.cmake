# One library target per folder. Every target's sources are scanned at build time for
# includes of other folders; an include of a folder that is not among the target's allowed
# layers fails the build, so the arrows of the layer diagram only ever point down. The rooms of
# platform/media are folders of their own inside it, each with its own library and arrows.

# The rooms, lowest first; platform/media/CMakeLists.txt adds them in this order.
set(TARNOLIX_MEDIA_ROOMS core pins filters converters sources pipewire cameras outputs recording devices graph renderers)
list(TRANSFORM TARNOLIX_MEDIA_ROOMS PREPEND platform/media/ OUTPUT_VARIABLE TARNOLIX_MEDIA_ROOM_FOLDERS)
set(TARNOLIX_LAYER_FOLDERS
    platform/runtime platform/com platform/graphics platform/media platform/windows
    ${TARNOLIX_MEDIA_ROOM_FOLDERS} effects capture imaging app tools)

# tarnolix_layer(<target> FOLDER <folder> SOURCES <files...> ALLOWED <folders or headers...>
#                LINK <targets...>)
function(tarnolix_layer target)
    cmake_parse_arguments(arg "" "FOLDER" "SOURCES;ALLOWED;LINK" ${ARGN})
    if(NOT arg_FOLDER IN_LIST TARNOLIX_LAYER_FOLDERS)
        message(FATAL_ERROR "${arg_FOLDER} is not a layer folder of cmake/Layers.cmake")
    endif()
    add_library(${target} STATIC ${arg_SOURCES})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    if(arg_LINK)
        target_link_libraries(${target} PUBLIC ${arg_LINK})
    endif()

    file(GLOB_RECURSE scanned CONFIGURE_DEPENDS
        ${PROJECT_SOURCE_DIR}/${arg_FOLDER}/*.h ${PROJECT_SOURCE_DIR}/${arg_FOLDER}/*.cpp)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.layers.stamp)
    string(REPLACE ";" "," allowed "${arg_FOLDER};${arg_ALLOWED}")
    string(REPLACE ";" "," known "${TARNOLIX_LAYER_FOLDERS}")
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DFOLDER=${arg_FOLDER} -DALLOWED=${allowed} -DKNOWN=${known}
                -DROOT=${PROJECT_SOURCE_DIR} -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayer.cmake
        DEPENDS ${scanned} ${PROJECT_SOURCE_DIR}/cmake/CheckLayer.cmake
        COMMENT "Checking the includes of ${arg_FOLDER}")
    add_custom_target(${target}_layers DEPENDS ${stamp})
    add_dependencies(${target} ${target}_layers)
endfunction()

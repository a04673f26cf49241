# The window libraries of a program include each other's headers and generated forms: the main
# window opens the device and flight windows, and those write the main window's form.

# nuv_window_library(<target>): exports the target's folder and its generated form headers.
# Its form generation does not wait for the libraries it links, which in turn wait for it.
function(nuv_window_library target)
    target_include_directories(${target} PUBLIC
        ${CMAKE_CURRENT_SOURCE_DIR}
        ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/include)
    set_target_properties(${target} PROPERTIES AUTOGEN_ORIGIN_DEPENDS OFF)
endfunction()

# nuv_share_forms(<targets...>): every listed window library compiles only once the forms of
# all of them are generated.
function(nuv_share_forms)
    foreach(target IN LISTS ARGN)
        foreach(other IN LISTS ARGN)
            if(NOT target STREQUAL other)
                add_dependencies(${target} ${other}_autogen)
            endif()
        endforeach()
    endforeach()
endfunction()

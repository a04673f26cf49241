# nuv_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI])
# Builds one Qt Test executable and registers it with CTest. Tests without GUI run on the
# offscreen platform; GUI tests use the X display that scripts/test provides through Xvfb.
function(nuv_add_test name)
    cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt5::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set(env "QTWEBENGINE_DISABLE_SANDBOX=1" "NUV_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data")
    if(NOT ARG_GUI)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    elseif(NUV_SANITIZED_GL_ENVIRONMENT)
        list(APPEND env ${NUV_SANITIZED_GL_ENVIRONMENT})
        if(NUV_SANITIZED_GL_ENVIRONMENT MATCHES "LD_PRELOAD")
            # A preloaded library comes before the sanitizer runtime; it defines no allocator.
            set_property(TEST ${name} PROPERTY ENVIRONMENT_MODIFICATION
                "ASAN_OPTIONS=string_append::verify_asan_link_order=0")
        endif()
    endif()
    # Instrumented builds run several times slower, the browser engine's tests most of all.
    set(timeout 300)
    if(NUV_SANITIZE)
        set(timeout 1200)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${timeout})
endfunction()

# NUV_SANITIZE: a comma-separated list handed to -fsanitize (e.g. "address,undefined" or "thread").
set(NUV_SANITIZE "" CACHE STRING "Sanitizers to build with, as for -fsanitize")
if(NUV_SANITIZE)
    add_compile_options(-fsanitize=${NUV_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${NUV_SANITIZE})

    # Tests that draw with Mesa's software OpenGL under a sanitizer get one rendering thread and
    # no shader-cache thread: LeakSanitizer stops every thread at exit and now and then crashes
    # on llvmpipe's idle workers.
    set(NUV_SANITIZED_GL_ENVIRONMENT "LP_NUM_THREADS=0" "MESA_SHADER_CACHE_DISABLE=true")
    # ThreadSanitizer cannot see the hand-overs inside the uninstrumented Qt, and the X platform
    # runs Qt threads of its own (event reader, session bus) beside the test's. The offscreen
    # platform has none of them and still draws OpenGL through GLX on the X display.
    if(NUV_SANITIZE MATCHES "thread")
        list(APPEND NUV_SANITIZED_GL_ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
    # The X display's closing unloads the Mesa driver, and LeakSanitizer then takes the memory
    # that the driver's globals still hold for leaks from an unknown module, which no
    # suppression can name. Preloaded, the driver stays mapped and its globals stay roots.
    if(NUV_SANITIZE MATCHES "address")
        find_file(NUV_MESA_SOFTWARE_DRIVER swrast_dri.so
            PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/dri /usr/lib/dri NO_DEFAULT_PATH)
        if(NUV_MESA_SOFTWARE_DRIVER)
            list(APPEND NUV_SANITIZED_GL_ENVIRONMENT "LD_PRELOAD=${NUV_MESA_SOFTWARE_DRIVER}")
        endif()
    endif()
endif()

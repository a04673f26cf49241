# NUV_SANITIZE: a comma-separated list handed to -fsanitize (e.g. "address,undefined" or "thread").
set(NUV_SANITIZE "" CACHE STRING "Sanitizers to build with, as for -fsanitize")
if(NUV_SANITIZE)
    add_compile_options(-fsanitize=${NUV_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${NUV_SANITIZE})
endif()

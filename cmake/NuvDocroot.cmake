# The map pages of docroot/ and the Leaflet library they draw with (Debian's libjs-leaflet),
# assembled next to a program in "docroot/", with the web server settings file that serves it.
find_path(NUV_LEAFLET_DIR leaflet.min.js PATHS /usr/share/javascript/leaflet NO_DEFAULT_PATH REQUIRED)

# nuv_docroot(<program target> <server settings file name>)
function(nuv_docroot target settingsFile)
    set(site ${CMAKE_CURRENT_BINARY_DIR}/docroot)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/docroot.stamp)
    file(GLOB pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docroot/*.html
        ${PROJECT_SOURCE_DIR}/docroot/*.js ${PROJECT_SOURCE_DIR}/docroot/*.css)
    file(GLOB leafletImages ${NUV_LEAFLET_DIR}/images/*.png)
    set(serverSettings ${PROJECT_SOURCE_DIR}/docroot/http_server.ini)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${site}/leaflet/images
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${pages} ${site}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${NUV_LEAFLET_DIR}/leaflet.min.js ${site}/leaflet/leaflet.js
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${NUV_LEAFLET_DIR}/leaflet.css ${site}/leaflet/leaflet.css
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${leafletImages} ${site}/leaflet/images
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${serverSettings} ${CMAKE_CURRENT_BINARY_DIR}/${settingsFile}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${pages} ${serverSettings}
        COMMENT "Assembling the map pages for ${target}")
    add_custom_target(${target}-docroot DEPENDS ${stamp})
    add_dependencies(${target} ${target}-docroot)
endfunction()

# Runs at install time: copies kit/<program>/web into the kit, or a placeholder page when the
# folder has no index.html.
foreach(program overlay launcher)
    set(source "${VYR_KIT_SOURCE}/${program}/web")
    set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${program}/web")
    if(EXISTS "${source}/index.html")
        file(INSTALL "${source}/" DESTINATION "${target}")
    else()
        message(STATUS "No ${program} page in kit/${program}/web: installing a placeholder")
        file(INSTALL "${VYR_KIT_PLACEHOLDERS}/${program}_index.html"
             DESTINATION "${target}" RENAME index.html)
    endif()
endforeach()

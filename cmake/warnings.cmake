# Warnings on everywhere; the Windows build links its runtime statically.
function(vyr_target_defaults target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra)
    endif()
    if(WIN32)
        target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                     _WIN32_WINNT=0x0A00)
    endif()
    if(MINGW)
        target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    endif()
endfunction()

# A GUI-subsystem program entered through wWinMain.
function(vyr_windows_gui_program target)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    if(MINGW)
        target_link_options(${target} PRIVATE -municode)
    elseif(MSVC)
        # The manifest comes from our resource script.
        target_link_options(${target} PRIVATE /MANIFEST:NO)
    endif()
endfunction()

# The kit as players unpack it into the game folder (cmake --install ... --prefix dist/vyr-kit,
# then scripts/package.py zips it):
#   launcher.exe, WebView2Loader.dll     the launcher beside its launcher\ folder
#   launcher\web\, actions.ps1, kit.json, launcher.json
#   launcher\game\                       the game-side files the script installs (kit/game);
#                                        scripts/package.py adds launcher\game_files.json
#   overlay\overlay_host.exe, WebView2Loader.dll, web\, vyro.exe
#   package\Documents\                   the game's own folder, where the overlay keeps the
#                                        page's files (overlay\..\package\Documents)
# The programs' own install rules sit beside them; test stand-ins and tools are never installed.
install(TARGETS vyro RUNTIME DESTINATION overlay)
install(FILES "${CMAKE_SOURCE_DIR}/kit/launcher/actions.ps1"
              "${CMAKE_SOURCE_DIR}/kit/launcher/kit.json"
              "${CMAKE_SOURCE_DIR}/kit/launcher/launcher.json"
        DESTINATION launcher)
install(DIRECTORY "${CMAKE_SOURCE_DIR}/kit/game/" DESTINATION launcher/game)
install(DIRECTORY DESTINATION package/Documents)

# The pages are read at install time, so a page added after configuring is still shipped; a
# missing page folder gets a placeholder that lets the program start.
install(CODE "set(VYR_KIT_SOURCE \"${CMAKE_SOURCE_DIR}/kit\")
set(VYR_KIT_PLACEHOLDERS \"${CMAKE_CURRENT_LIST_DIR}/kit_placeholders\")")
install(SCRIPT "${CMAKE_CURRENT_LIST_DIR}/install_kit_pages.cmake")

# scripts/package.py checks that each WebView2Loader.dll in the kit is this one.
file(WRITE "${CMAKE_BINARY_DIR}/webview2_loader_path.txt" "${VYR_WEBVIEW2_LOADER_DLL}\n")

# The WebView2 SDK (headers and loader) from its NuGet package, restored with the
# dotnet CLI into the build folder and never committed.
set(VYR_WEBVIEW2_VERSION 1.0.4258.31)
set(VYR_NUGET_DIR "${CMAKE_SOURCE_DIR}/build/deps/nuget" CACHE PATH
    "Folder the WebView2 SDK package is restored into")
set(VYR_WEBVIEW2_DIR
    "${VYR_NUGET_DIR}/microsoft.web.webview2/${VYR_WEBVIEW2_VERSION}/build/native")

if(NOT EXISTS "${VYR_WEBVIEW2_DIR}/include/WebView2.h")
    message(STATUS "Restoring Microsoft.Web.WebView2 ${VYR_WEBVIEW2_VERSION}")
    # Restored from a copy so that no obj/ folder lands in the source tree.
    set(restore_dir "${VYR_NUGET_DIR}/../restore")
    configure_file("${CMAKE_SOURCE_DIR}/scripts/webview2-sdk/restore.csproj"
                   "${restore_dir}/restore.csproj" COPYONLY)
    execute_process(
        COMMAND dotnet restore "${restore_dir}/restore.csproj"
                --packages "${VYR_NUGET_DIR}"
        RESULT_VARIABLE restore_result)
    if(NOT restore_result EQUAL 0 OR NOT EXISTS "${VYR_WEBVIEW2_DIR}/include/WebView2.h")
        message(FATAL_ERROR "Could not restore the WebView2 SDK (dotnet restore failed)")
    endif()
endif()

add_library(webview2_sdk INTERFACE)
target_include_directories(webview2_sdk SYSTEM INTERFACE "${VYR_WEBVIEW2_DIR}/include")
if(MINGW)
    target_include_directories(webview2_sdk SYSTEM INTERFACE "${CMAKE_SOURCE_DIR}/cmake/compat")
endif()
target_link_libraries(webview2_sdk INTERFACE "${VYR_WEBVIEW2_DIR}/x64/WebView2Loader.dll.lib")
set(VYR_WEBVIEW2_LOADER_DLL "${VYR_WEBVIEW2_DIR}/x64/WebView2Loader.dll")

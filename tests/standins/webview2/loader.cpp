// The loader's one entry point the programs import. What the runtime refuses at once is
// returned from this call (no COM single-threaded apartment, no runtime installed, a user
// data folder it cannot use); nothing completes inside it: the environment arrives later
// through the calling thread's message loop.
#include "browser_process.h"
#include "commands.h"
#include "config.h"
#include "dispatch.h"
#include "environment.h"
#include "user_data_folder.h"

namespace {

std::string optionText(HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*get)(LPWSTR*),
                       ICoreWebView2EnvironmentOptions* options) {
    LPWSTR value = nullptr;
    if (FAILED((options->*get)(&value)))
        return jsonUtf8("(failed)");
    std::string json = jsonText(value);
    CoTaskMemFree(value);
    return json;
}

std::string optionJson(BOOL value) {
    return jsonBool(value);
}

template <typename Enumeration> std::string optionJson(Enumeration value) {
    return jsonInt(static_cast<long long>(value));
}

template <typename Interface, typename Value>
void addOption(std::string& json, IUnknown* options, const IID& iid, const char* name,
               HRESULT (STDMETHODCALLTYPE Interface::*get)(Value*)) {
    ComPtr<Interface> version;
    if (FAILED(options->QueryInterface(iid, reinterpret_cast<void**>(version.GetAddressOf()))))
        return;
    Value value{};
    if (FAILED((version.Get()->*get)(&value)))
        return;
    json += std::string(",\"") + name + "\":" + optionJson(value);
}

// Every value the options object offers, as one JSON object; null without options.
std::string readOptions(ICoreWebView2EnvironmentOptions* options) {
    if (!options)
        return "null";
    BOOL singleSignOn = FALSE;
    options->get_AllowSingleSignOnUsingOSPrimaryAccount(&singleSignOn);
    std::string json =
        "{\"AdditionalBrowserArguments\":" +
        optionText(&ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments, options) +
        ",\"Language\":" + optionText(&ICoreWebView2EnvironmentOptions::get_Language, options) +
        ",\"TargetCompatibleBrowserVersion\":" +
        optionText(&ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion, options) +
        ",\"AllowSingleSignOnUsingOSPrimaryAccount\":" + jsonBool(singleSignOn);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions2, "ExclusiveUserDataFolderAccess",
              &ICoreWebView2EnvironmentOptions2::get_ExclusiveUserDataFolderAccess);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions3, "IsCustomCrashReportingEnabled",
              &ICoreWebView2EnvironmentOptions3::get_IsCustomCrashReportingEnabled);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions5, "EnableTrackingPrevention",
              &ICoreWebView2EnvironmentOptions5::get_EnableTrackingPrevention);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions6, "AreBrowserExtensionsEnabled",
              &ICoreWebView2EnvironmentOptions6::get_AreBrowserExtensionsEnabled);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions7, "ChannelSearchKind",
              &ICoreWebView2EnvironmentOptions7::get_ChannelSearchKind);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions7, "ReleaseChannels",
              &ICoreWebView2EnvironmentOptions7::get_ReleaseChannels);
    addOption(json, options, IID_ICoreWebView2EnvironmentOptions8, "ScrollBarStyle",
              &ICoreWebView2EnvironmentOptions8::get_ScrollBarStyle);
    return json + "}";
}

// The runtime's objects need COM initialised on the calling thread as a single-threaded
// apartment.
HRESULT apartmentState() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    const HRESULT result = CoGetApartmentType(&type, &qualifier);
    if (FAILED(result) || qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA)
        return CO_E_NOTINITIALIZED;
    return type == APTTYPE_MTA ? RPC_E_CHANGED_MODE : S_OK;
}

} // namespace

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    const std::string options = readOptions(environmentOptions);
    recordCall("loader.CreateCoreWebView2EnvironmentWithOptions",
               {jsonText(browserExecutableFolder), jsonText(userDataFolder), options});
    startDispatcher();
    startCommands();
    const HRESULT apartment = apartmentState();
    if (FAILED(apartment))
        return apartment;
    const StandinConfig& config = standinConfig();
    if (config.noRuntime)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (FAILED(config.createResult))
        return config.createResult;
    if (!environmentCreatedHandler)
        return E_POINTER;
    std::wstring folder;
    const HRESULT usable = prepareUserDataFolder(userDataFolder, folder);
    if (FAILED(usable))
        return usable;
    const HRESULT shared = joinUserDataFolder(folder, options);
    const DWORD browser = browserProcessId();
    ComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> completed(
        environmentCreatedHandler);
    const HRESULT result = config.environmentResult;
    postTask(
        [completed, result, browser, shared] {
            recordNote("environmentCompleted", {jsonHresult(result)});
            if (FAILED(result)) {
                completed->Invoke(result, nullptr);
                return;
            }
            ComPtr<Environment> environment;
            environment = adopt(new Environment(browser));
            environment->refuseWebViews(shared);
            completed->Invoke(S_OK, environment.Get());
        },
        config.environmentDelayMs);
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    return CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr,
                                                    environmentCreatedHandler);
}

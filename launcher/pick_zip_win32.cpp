#include "pick_zip.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "launcher_state.h"
#include "page_bridge.h"
#include "page_replies.h"

using Microsoft::WRL::ComPtr;

namespace {

// The dialog always opens in Downloads, where the browser put the zip.
void openInDownloads(IFileOpenDialog* dialog) {
    PWSTR downloads = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &downloads)) && downloads) {
        ComPtr<IShellItem> folder;
        if (SUCCEEDED(SHCreateItemFromParsingName(downloads, nullptr, IID_IShellItem,
                                                  reinterpret_cast<void**>(folder.GetAddressOf()))))
            dialog->SetFolder(folder.Get());
    }
    CoTaskMemFree(downloads);
}

void showPicker() {
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog,
                                reinterpret_cast<void**>(dialog.GetAddressOf()))))
        return;
    COMDLG_FILTERSPEC zipType{L"The Rookmere kit (*.zip)", L"*.zip"};
    dialog->SetFileTypes(1, &zipType);
    dialog->SetTitle(L"Choose the Rookmere kit zip you downloaded");
    openInDownloads(dialog.Get());

    if (FAILED(dialog->Show(state.mainWindow))) {
        postPageMessage(pickedReply(L""));
        return;
    }
    ComPtr<IShellItem> item;
    if (FAILED(dialog->GetResult(&item)))
        return;
    PWSTR path = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path)
        return;
    postPageMessage(pickedReply(path));
    CoTaskMemFree(path);
}

} // namespace

void pickKitZip() {
    // The dialog's own message loop runs the page's requests meanwhile; a second pick while
    // one is open gets its answer from the open one.
    static bool open = false;
    if (open)
        return;
    open = true;
    showPicker();
    open = false;
}

#include "user_folder.h"

UserFolderPlan userFolderPlan(const OverlayOptions& options, const FolderFacts& facts) {
    UserFolderPlan plan;
    plan.log = !options.logGiven && !facts.programDirWritable;
    plan.doc = !options.docGiven && facts.docDirExists && !facts.docDirWritable;
    return plan;
}

std::wstring userOverlayFolder(const std::wstring& localAppData) {
    return localAppData + L"\\VYR\\overlay";
}

std::wstring userDocumentsFolder(const std::wstring& userFolder) {
    return userFolder + L"\\Documents";
}

void moveToUserFolder(OverlayOptions& options, const UserFolderPlan& plan,
                      const std::wstring& userFolder) {
    if (plan.log)
        options.logPath = userFolder + L"\\vyr_overlay.log";
    if (plan.doc)
        options.docDir = userDocumentsFolder(userFolder);
}

std::string userFolderNote(const UserFolderPlan& plan, const std::string& logPathUtf8,
                           const std::string& docDirUtf8) {
    if (!plan.any())
        return {};
    std::string note = "; the game folder is not writable - ";
    if (plan.log)
        note += "log " + logPathUtf8 + (plan.doc ? ", " : "");
    if (plan.doc)
        note += "page files in " + docDirUtf8;
    return note;
}

#pragma once
#include <string>

#include "command_line.h"

// What start-up found of the folders the log and the page files go to by default.
struct FolderFacts {
    bool programDirWritable = true; // a file could be made beside the program
    bool docDirExists = false;
    bool docDirWritable = true; // a file could be made in the documents folder
};

// Which defaults move to the player's own folder: the log when the program's folder cannot
// be written (a game under Program Files), the page files when their folder exists and cannot
// be written. A missing documents folder stays as it is (the page's loads and saves then say
// so), and a folder given on the command line is never moved.
struct UserFolderPlan {
    bool log = false;
    bool doc = false;
    bool any() const { return log || doc; }
};

UserFolderPlan userFolderPlan(const OverlayOptions& options, const FolderFacts& facts);

// The overlay's own folder under the user's local application data.
std::wstring userOverlayFolder(const std::wstring& localAppData);

// The page files' folder inside it.
std::wstring userDocumentsFolder(const std::wstring& userFolder);

// Points the planned paths into the user's folder.
void moveToUserFolder(OverlayOptions& options, const UserFolderPlan& plan,
                      const std::wstring& userFolder);

// The start line's addition saying where the moved log and page files are, or empty.
std::string userFolderNote(const UserFolderPlan& plan, const std::string& logPathUtf8,
                           const std::string& docDirUtf8);

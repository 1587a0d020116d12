#pragma once

#include <string>
#include <string_view>

namespace quillon {

struct Session;

// The folders the settings file's empty path lines stand for. Each ends with the separator.
struct DefaultFolders
{
    std::string projects;
    std::string resources;
    std::string edsFiles;
};

// This program's places among the files of the person running it; "" when unknown.
struct UserFolders
{
    std::string settings;  // ~/.config/quillon ($XDG_CONFIG_HOME) or %APPDATA%\Quillon
    std::string documents; // the desktop's Documents folder
};

// Where one run reads its settings file from and which folders it uses by default.
struct ProgramLocation
{
    bool portable = true;
    std::string programDir; // the executable's folder, without a trailing separator
    std::string iniPath;
    DefaultFolders folders;
};

// Projects, Resources and EDSFiles beside the executable, as a program unpacked into one folder
// has always kept them.
[[nodiscard]] DefaultFolders portableFolders(const std::string& programDir);

// Portable when Quillon.ini sits beside the executable: everything stays in that folder.
// Otherwise the program is installed (/usr/bin/quillon with its files in /usr/share/quillon):
// the person's own Quillon.ini in `user.settings` when there is one, else the installed one in
// ../share/quillon; resources from there; projects and EDS files in Documents/Quillon. So an
// installed program never needs to write beside itself.
[[nodiscard]] ProgramLocation findProgramLocation(const std::string& programDir,
                                                  const UserFolders& user);

// Points the session at the settings file and default folders of `location`.
void useProgramLocation(Session& session, const ProgramLocation& location);

// The person's folders on this platform, read from the environment each time.
[[nodiscard]] UserFolders platformUserFolders();

// The Documents folder that a user-dirs.dirs file (the desktop's record of the person's folders)
// names, with $HOME expanded as the shell that reads the file would; "" when it names none.
[[nodiscard]] std::string xdgDocumentsDir(std::string_view userDirsText, const std::string& home);

// Creates `folder` with its parents unless it is there. True when it exists afterwards.
[[nodiscard]] bool ensureFolder(const std::string& folder);

} // namespace quillon

#include "launcher/user_files.h"

#include <windows.h>

#include "base/installation.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "launcher/command_line.h"
#include "base/whole_file.h"

namespace orv::launcher {

namespace {

constexpr const char* kFormsNames[] = {"Pellatch", "Merrowin"};

using orv::FileExists;

// The first file matching the pattern in the directory; "" when none.
std::string FirstMatch(const std::string& dir, const std::string& pattern) {
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((dir + pattern).c_str(), &fd));
    if (!find) return {};
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return fd.cFileName;
    } while (FindNextFileA(find.get(), &fd));
    return {};
}

// The mail client reads its forms files at any time: a copy is written whole
// beside the target and then takes its name.
bool CopyWhole(const std::string& from, const std::string& to) {
    std::string bytes;
    return ReadWholeFile(from, bytes) && ReplaceWholeFile(to, bytes);
}

}  // namespace

std::string UserFiles::FormsPattern(const char* name) const { return std::string(name) + texts_[txt::FFF_EXT]; }

bool UserFiles::CopyFormsFiles(const std::string& fromDir, const std::string& toDir) const {
    bool all = true;
    for (const char* name : kFormsNames) {
        const std::string found = FirstMatch(fromDir, FormsPattern(name));
        all = !found.empty() && CopyWhole(fromDir + found, toDir + found) && all;
    }
    return all;
}

bool UserFiles::SetUpCopy() {
    const std::string& install = paths_.installDir;
    const std::string& mailbox = paths_.mailboxDir;
    DeleteFileA((install + "VORE.DLL").c_str());
    if (mailbox.empty()) return false;
    // The user's list of recipients is never replaced by the template.
    if (!FileExists(mailbox + kAutoListFileName)) CopyFileA((install + kAutoListFileName).c_str(), (mailbox + kAutoListFileName).c_str(), TRUE);
    return CopyFormsFiles(install, mailbox);
}

void UserFiles::Register() { RegisterUser(paths_.installDir, paths_.windowsUser, paths_.clientUser, paths_.mailboxDir); }

void UserFiles::Unregister() { UnregisterUser(paths_.installDir, paths_.windowsUser, paths_.clientUser); }

std::string UserFiles::Shortfall(const std::string& mailboxDir, bool setUp) const {
    const std::string dir = WithBackslash(mailboxDir);
    std::string list;
    for (const std::string& name : {std::string(kAutoListFileName), std::string(kConfigFileName), FormsPattern(kFormsNames[0]),
                                    FormsPattern(kFormsNames[1])}) {
        const bool present = setUp ? FileExists(dir + name) : !FirstMatch(dir, name).empty();
        if (present != setUp) list += (list.empty() ? "" : " ") + name;
    }
    return list;
}

void UserFiles::Tell(const std::string& text, const std::string& title, unsigned icon) const {
    report_.Note(text);
    report_.Ask(text, title, icon, IDOK);
}

int UserFiles::VerifyAndReport(bool setUp) {
    if (paths_.clientUser.empty() || paths_.mailboxDir.empty())
        return report_.Fail(LauncherExit::NoMailUser, failure::NoMailUser(), texts_[txt::ERROR_TITLE]);
    const std::string shortfall = Shortfall(paths_.mailboxDir, setUp);
    if (!shortfall.empty())
        return report_.Fail(LauncherExit::SetupIncomplete,
                            std::string(setUp ? failure::kMissingAfterSetup : failure::kLeftAfterRemoval) +
                                paths_.mailboxDir + ": " + shortfall,
                            texts_[txt::ERROR_TITLE]);
    Tell(texts_[setUp ? txt::SETUP : txt::UNINST] + paths_.clientUser, texts_[txt::INFO_TITLE], MB_ICONINFORMATION);
    return static_cast<int>(LauncherExit::Done);
}

bool UserFiles::RemoveFiles(const std::string& mailboxDir) {
    const std::string dir = WithBackslash(mailboxDir);
    if (dir.empty()) return false;
    if (!DeleteFileA((dir + kConfigFileName).c_str())) return false;
    if (!DeleteFileA((dir + kAutoListFileName).c_str())) return false;
    for (const char* name : kFormsNames) {
        WIN32_FIND_DATAA fd;
        UniqueFind find(FindFirstFileA((dir + name + ".f??").c_str(), &fd));
        if (!find) continue;
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            if (!DeleteFileA((dir + fd.cFileName).c_str())) return false;
        } while (FindNextFileA(find.get(), &fd));
    }
    return true;
}

int UserFiles::UninstallCurrent() {
    if (paths_.clientUser.empty() || paths_.mailboxDir.empty())
        return report_.Fail(LauncherExit::NoMailUser, failure::NoMailUser(), texts_[txt::ERROR_TITLE]);
    if (RemoveFiles(paths_.mailboxDir)) Unregister();
    return VerifyAndReport(false);
}

int UserFiles::RemoveAllUsers() {
    std::string text;
    if (!FileExists(UsersFilePath(paths_.installDir))) return static_cast<int>(LauncherExit::Done);
    if (!ReadWholeFile(UsersFilePath(paths_.installDir), text))
        return report_.Fail(LauncherExit::SetupIncomplete, "Cannot read " + UsersFilePath(paths_.installDir), texts_[txt::ERROR_TITLE]);
    bool all = true;
    for (const RegisteredUser& entry : ReadRegisteredUsers(text)) {
        RemoveFiles(entry.mailbox);
        // A user counts as removed when none of the files is left, also when
        // they were gone before.
        const std::string left = Shortfall(entry.mailbox, false);
        if (left.empty()) continue;
        all = false;
        report_.Note(std::string(failure::kLeftAfterRemoval) + entry.mailbox + ": " + left);
    }
    return static_cast<int>(all ? LauncherExit::Done : LauncherExit::SetupIncomplete);
}

int UserFiles::UpdateAllUsers() {
    std::string text;
    if (!ReadWholeFile(UsersFilePath(paths_.installDir), text)) return static_cast<int>(LauncherExit::Done);
    if (report_.Ask(texts_[txt::UPDATE], texts_[txt::CONF_TITLE], MB_ICONQUESTION | MB_YESNO, IDYES) != IDYES)
        return static_cast<int>(LauncherExit::Done);
    bool others = false, all = true;
    for (const RegisteredUser& entry : ReadRegisteredUsers(text)) {
        const std::string dir = WithBackslash(entry.mailbox);
        if (SameTextNoCase(dir, paths_.mailboxDir)) continue;
        others = true;
        const std::string who = entry.section + "/" + entry.user;
        if (CopyFormsFiles(paths_.mailboxDir, dir)) {
            Tell(texts_[txt::SETUP] + who, texts_[txt::INFO_TITLE], MB_ICONINFORMATION);
        } else {
            all = false;
            Tell(texts_[txt::FAILURE] + who + "!", texts_[txt::WARN_TITLE], MB_ICONWARNING);
        }
    }
    if (!others) Tell(texts_[txt::NO_USERS], texts_[txt::INFO_TITLE], MB_ICONINFORMATION);
    return static_cast<int>(all ? LauncherExit::Done : LauncherExit::UpdateIncomplete);
}

}  // namespace orv::launcher

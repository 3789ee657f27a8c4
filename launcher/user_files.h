#pragma once
// The per-user files in a mail client user's mailbox directory ("AutoList.txt",
// "Merrowin.cfg" and the forms files "Pellatch" and "Merrowin"), their set-up
// copy from the installation, their removal, and the register "Users.cfg".

#include <string>

#include "launcher/launcher_paths.h"
#include "launcher/launcher_report.h"
#include "strings/text_table.h"

namespace orv::launcher {

class UserFiles {
public:
    UserFiles(const LauncherPaths& paths, const texts::TextTable& texts, const LauncherReport& report)
        : paths_(paths), texts_(texts), report_(report) {}

    // Copies the set into the current user's mailbox: "AutoList.txt" only
    // when it is not there yet, the two forms files always. True when both
    // forms files were copied.
    bool SetUpCopy();
    const std::string& Mailbox() const { return paths_.mailboxDir; }
    // Records the current user in "Users.cfg", or takes the entry out.
    void Register();
    void Unregister();
    // After set-up all four files must exist, after removal none; then the
    // user is told SETUP (or UNINST) with the user name. The launcher's exit
    // code: a shortfall is told as a failure naming the files.
    int VerifyAndReport(bool setUp);
    // "UserUninst": the current user's files, the entry and the report.
    int UninstallCurrent();
    // "Cleanup": the files of every registered user, without a word unless
    // some stay behind: then the exit code says so and the log names them.
    int RemoveAllUsers();
    // After "UserUpdate": the current user's forms files to every other
    // registered user, when the user agrees (a silent run agrees).
    int UpdateAllUsers();

    // Removes the set from a mailbox directory: "Merrowin.cfg", then
    // "AutoList.txt", then the forms files, each step only after the one
    // before worked. True when every step worked.
    static bool RemoveFiles(const std::string& mailboxDir);

private:
    bool CopyFormsFiles(const std::string& fromDir, const std::string& toDir) const;
    std::string FormsPattern(const char* name) const;
    // The per-user files of the directory that exist (or, setUp false,
    // that are missing), separated by blanks; "" when none.
    std::string Shortfall(const std::string& mailboxDir, bool setUp) const;
    void Tell(const std::string& text, const std::string& title, unsigned icon) const;

    const LauncherPaths& paths_;
    const texts::TextTable& texts_;
    const LauncherReport& report_;
};

}  // namespace orv::launcher

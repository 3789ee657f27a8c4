#pragma once
// TPLUtils: the directories, registry values and version texts that the
// plug-in's other objects use. Every directory ends with "\".

#include <windows.h>

#include <string>

namespace orv::automation {

// The plug-in's own module, set when the library is loaded.
HINSTANCE PluginInstance();
void SetPluginInstance(HINSTANCE instance);

class TPLUtils {
public:
    // Reads the plug-in's version text and asks the host window for the
    // program and mailbox directories.
    explicit TPLUtils(HWND hostWindow);

    const std::string& VersionText() const { return versionText_; }
    const std::string& ProgramDir() const { return programDir_; }
    const std::string& MailboxDir() const { return mailboxDir_; }
    const std::string& InstallDir() const { return installDir_; }
    // "Merrowin.cfg" in the mailbox directory.
    std::string ConfigFile() const;
    // The client's mailbox has moved: the per-user files are read there
    // from now on, whether or not the client restarts.
    void FollowMailbox(const std::string& dir);

    static void ProcessMessages();
    // The product version of a file: "0" when it has none.
    static std::string GetVersion(const std::string& file);
    static std::string GetBaseDirPath(HWND hostWindow);
    static std::string GetMailboxPath(HWND hostWindow);
    // "PMR" of "PEGASUS.INI" in the directory, else the environment's "PMR".
    static std::string GetGlobalABKPath(const std::string& dir);
    static std::string GetPluginPath();
    static std::string GetPMUser();

private:
    std::string versionText_;
    std::string programDir_;
    std::string mailboxDir_;
    std::string installDir_;
};

}  // namespace orv::automation

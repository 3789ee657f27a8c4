#include "automation/string_library.h"

#include "automation/pl_text.h"
#include "automation/pl_utils.h"
#include "base/installation.h"
#include "base/unique_handle.h"
#include "formats/config_file.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {

// The host holds its language file open without sharing, so a file that
// cannot be opened for reading is the one it runs with.
bool HeldByHost(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() != ERROR_FILE_NOT_FOUND;
    CloseHandle(h);
    return false;
}

}  // namespace

std::string HostLanguage(const std::string& programDir) {
    if (HeldByHost(programDir + host::kLanguageFile)) return "en";
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((programDir + host::kLanguageFilePattern).c_str(), &fd));
    if (!find) return {};
    do {
        std::string name = fd.cFileName;
        if (name.size() >= 7 && HeldByHost(programDir + name)) {
            return LowerCase(name.substr(5, 2));
        }
    } while (FindNextFileA(find.get(), &fd));
    return {};
}

TStringLibrary::Bound TStringLibrary::Bind(const TPLUtils& utils) {
    Unload();
    const std::string path = StringLibraryPath(utils.InstallDir());
    if (utils.InstallDir().empty() || TPLUtils::GetVersion(path) != utils.VersionText()) return Bound::Unavailable;
    if (!table_.Load(path)) return Bound::Unavailable;
    return LanguageMatches(utils) ? Bound::Ok : Bound::LanguageMismatch;
}

bool TStringLibrary::LanguageMatches(const TPLUtils& utils) const {
    if (!TConfigFile(utils.ConfigFile()).ReadFlag(Cfg::LanguageCheck)) return true;
    std::string language = HostLanguage(utils.ProgramDir());
    // A host whose language file is not held open gives no evidence against
    // the library.
    return language.empty() || language == Text(txt::_LANGUAGE);
}

}  // namespace orv::automation

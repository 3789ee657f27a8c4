#include "automation/string_library.h"

#include <cctype>

#include "automation/pl_text.h"
#include "automation/pl_utils.h"
#include "formats/config_file.h"
#include "plugin/mail_client.h"

namespace orv::automation {

namespace {

using TextFn = const char*(WINAPI*)();

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
            std::string code = name.substr(5, 2);
            for (char& c : code) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return code;
        }
    } while (FindNextFileA(find.get(), &fd));
    return {};
}

TStringLibrary::Bound TStringLibrary::Bind(const TPLUtils& utils) {
    Unload();
    std::string path = utils.InstallDir() + "Lumvika.dll";
    if (utils.InstallDir().empty() || TPLUtils::GetVersion(path) != utils.VersionText()) return Bound::Unavailable;
    module_.reset(LoadLibraryA(path.c_str()));
    if (!module_) return Bound::Unavailable;
    for (int n = kFirst; n <= kLast; ++n) {
        auto fn = reinterpret_cast<TextFn>(
            reinterpret_cast<void*>(GetProcAddress(module_.get(), MAKEINTRESOURCEA(n))));
        const char* text = fn ? fn() : nullptr;
        texts_[n - kFirst] = text ? fn() : "";
    }
    return LanguageMatches(utils) ? Bound::Ok : Bound::LanguageMismatch;
}

bool TStringLibrary::LanguageMatches(const TPLUtils& utils) const {
    if (!TConfigFile(utils.ConfigFile()).ReadFlag(Cfg::LanguageCheck)) return true;
    std::string language = HostLanguage(utils.ProgramDir());
    // A host whose language file is not held open gives no evidence against
    // the library.
    return language.empty() || language == Text(txt::_LANGUAGE);
}

const char* TStringLibrary::Text(int number) const {
    if (number >= kFirst && number <= kLast) {
        const char* text = texts_[number - kFirst];
        return text ? text : "";
    }
    // The other ranges' texts that the plug-in's messages are made of: the
    // library keeps them valid while it is loaded.
    if (!module_ || number < 1 || number > txt::kLastText) return "";
    auto fn = reinterpret_cast<TextFn>(
        reinterpret_cast<void*>(GetProcAddress(module_.get(), MAKEINTRESOURCEA(number))));
    const char* text = fn ? fn() : nullptr;
    return text ? text : "";
}

void TStringLibrary::Unload() {
    texts_.fill(nullptr);
    module_.reset();
}

}  // namespace orv::automation

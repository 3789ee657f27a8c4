#include "plugin/form_files.h"

#include <windows.h>

#include <cstdlib>

#include "base/text.h"
#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "interfaces/mail_client.h"

namespace orv {

namespace {

std::string LibraryLine(const std::string& line, const std::string& installDir) {
    const std::string prefix = host::kFormLineLibrary;
    std::string rest = line.substr(prefix.size());
    const size_t cut = rest.find_last_of("\\:");
    if (cut != std::string::npos) {
        rest.erase(0, cut + 1);
    } else {
        // A bare file name: only its quotes go, the name stays.
        while (!rest.empty() && (rest.front() == '"' || rest.front() == ' ')) rest.erase(0, 1);
    }
    if (rest.empty() || rest.back() != '"') rest += '"';
    return prefix + "\"" + installDir + rest;
}

// The role of the library in the client: the plug-in starts with the
// client, the main library is its encryptor module.
std::string FlagsLine(const std::string& line, bool automationPlugin) {
    const std::string value = line.substr(std::string(host::kFormLineFlags).size());
    char* end = nullptr;
    const unsigned long flags = std::strtoul(value.c_str(), &end, 0);
    const unsigned long role = automationPlugin ? host::kFormFlagStartup : host::kFormFlagEncryptor;
    if (end != value.c_str() && (flags & role) == role) return line;
    return host::kFormLineFlags + std::to_string(flags | role);
}

}  // namespace

bool UpdateFormDefinition(const std::string& text, const std::string& installDir, bool automationPlugin,
                          std::string& updated) {
    updated.clear();
    updated.reserve(text.size() + installDir.size() + 16);
    bool found = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos) end = text.size();
        size_t contentEnd = end;
        if (contentEnd > pos && text[contentEnd - 1] == '\r') --contentEnd;
        const std::string line = text.substr(pos, contentEnd - pos);
        const std::string lineEnd = text.substr(contentEnd, next - contentEnd);
        pos = next;
        if (StartsWith(line, host::kFormLineLibrary)) {
            found = true;
            updated += LibraryLine(line, installDir) + lineEnd;
        } else if (StartsWith(line, host::kFormLineBitmap)) {
            continue;
        } else if (StartsWith(line, host::kFormLineFlags)) {
            updated += FlagsLine(line, automationPlugin) + lineEnd;
        } else if (automationPlugin && line.find(host::kFormLineData) != std::string::npos &&
                   line.find("EDIT") == std::string::npos) {
            continue;
        } else {
            updated += line + lineEnd;
        }
    }
    return found;
}

bool UpdateFormFiles(const std::string& mailboxDir, const std::string& installDir) {
    bool ok = true;
    for (const char* name : {"Pellatch", "Merrowin"}) {
        WIN32_FIND_DATAA fd;
        UniqueFind find(FindFirstFileA((mailboxDir + name + ".f*").c_str(), &fd));
        if (!find) continue;
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::string path = mailboxDir + fd.cFileName;
            std::string text, updated;
            if (!ReadWholeFile(path, text)) {
                ok = false;
                continue;
            }
            if (UpdateFormDefinition(text, installDir, name[0] == 'P', updated) && updated != text)
                ok = ReplaceWholeFile(path, updated) && ok;
        } while (FindNextFileA(find.get(), &fd));
    }
    return ok;
}

}  // namespace orv

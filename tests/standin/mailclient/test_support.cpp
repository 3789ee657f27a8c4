#include "tests/standin/mailclient/test_support.h"

#include "tests/support/folder_tree.h"
#include "tests/support/ui_robot.h"

#include <cstdio>

namespace mctest {

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

// In %TEMP%, not beside the build: the installations and mailboxes tests lay
// out there must not grow with the depth of the checkout.
std::string ScratchDir(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string base = std::string(temp) + "orv_mctest\\";
    CreateDirectoryA(base.c_str(), nullptr);
    std::string dir = base + name + "\\";
    orv::test::RemoveFolder(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}


bool WriteAll(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> out;
    std::string text = ReadAll(path);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        pos = end + 1;
    }
    return out;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

std::string LineStarting(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const auto& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) return l;
    return {};
}

void PumpFor(int ms) { orv::test::PumpFor(ms); }

namespace {

struct StaticSearch {
    const std::string* text;
    HWND found;
};

BOOL CALLBACK FindStatic(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<StaticSearch*>(lp);
    char cls[32] = {}, caption[256] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    GetWindowTextA(wnd, caption, sizeof caption);
    if (lstrcmpiA(cls, "Static") == 0 && *s->text == caption) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool ClickStatic(HWND parent, const std::string& text) {
    StaticSearch search{&text, nullptr};
    EnumChildWindows(parent, FindStatic, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return false;
    PostMessageA(search.found, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageA(search.found, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    return true;
}

std::string FreshEncryptorLog(const std::string& dir) {
    std::string path = dir + "encryptor.log";
    DeleteFileA(path.c_str());
    SetEnvironmentVariableA("ORV_TEST_ENCRYPTOR_LOG", path.c_str());
    return path;
}

}  // namespace mctest

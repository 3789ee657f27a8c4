// The demo: Alice sends and reads mail with Orvane inside the mail client
// stand-in, over the release 7 engine stand-in. It prepares her mailbox and
// configuration, writes an outgoing message with a text part and an
// attachment, has the mail client send it encrypted and signed (inline, then
// as PGP/MIME), and reads mail again: her own sent messages and Bob's
// replies written by GnuPG. The engine's passphrase dialogs are real
// dialogs; when no person answers them within a few seconds the demo types
// the passphrase itself, as a person would.
//
// Usage: orvane_demo.exe DEMO_DIR ALICE_KEY_ID --install DIR [--wait SECONDS] [--release 65] [--bob BOB_KEY_ID]
// DIR is where OrvaneSetup.exe installed Orvane; the demo sets Alice up from
// there and starts the mail client with nothing of Orvane on its command
// line. DEMO_DIR holds the rings and Bob's replies (scripts/demo.sh makes them)
// and receives the sent messages and the decoded texts. With --release 65
// the same mail client runs over the release 6.5 engine stand-in: one
// inline message sent, then read back with Bob's PGP/MIME reply. Over the
// release 7 engine Alice finally opens Bob's clear-signed note in a reader
// of the mail client with Orvane's automation plug-in: the verified
// signature stands above the text in a coloured block, its icon in the
// reader's caption (a screenshot goes to DEMO_DIR\reader_signed.bmp).
// With --bob Alice also writes to Bob in the mail client's editor: Bob is on
// her AutoList, and the message goes out encrypted without her choosing it.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "standin/mailclient/host_interface.h"

namespace {

constexpr const char* kPassphrase = "demo passphrase";
constexpr const char* kEngineDir = "demo-engine";
constexpr const char* kEngineDir65 = "demo-engine65";
// The passphrase field of the engine's dialogs.
constexpr int kPassphraseField = 1002;

std::string ProgramDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string ReadAll(const std::string& path) {
    std::string data;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
        fclose(f);
    }
    return data;
}

bool WriteAll(const std::string& path, const std::string& data) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

bool SetRegistryValue(HKEY root, const char* subKey, const char* name, const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

std::string AppDataFolder() {
    HKEY key = nullptr;
    char buffer[MAX_PATH * 2] = {};
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof buffer - 1;
        RegQueryValueExA(key, "AppData", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
    }
    return buffer;
}

std::string Base64(const std::string& bytes) {
    static const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    int column = 0;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
        out += a[v >> 18 & 63];
        out += a[v >> 12 & 63];
        out += i + 1 < bytes.size() ? a[v >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? a[v & 63] : '=';
        if ((column += 4) >= 76) {
            out += "\r\n";
            column = 0;
        }
    }
    if (column) out += "\r\n";
    return out;
}

// The message Alice writes: a text part and the minutes as an attachment,
// with the encryptor mark the mail client writes for "encrypt and sign".
std::string OutgoingMessage(const std::string& subject, const std::string& text, const std::string& attachment) {
    return "From: Alice Demo <alice@orvane.example>\r\n"
           "To: bob@orvane.example\r\n"
           "Subject: " + subject + "\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-type: Multipart/Mixed; boundary=Message-Boundary-1302\r\n"
           "X-PM-Encryptor: ORVPGP-PM32, 5\r\n"
           "\r\n"
           "--Message-Boundary-1302\r\n"
           "Content-type: text/plain; charset=ISO-8859-1\r\n"
           "Content-transfer-encoding: 7BIT\r\n"
           "Content-description: Mail message body\r\n"
           "\r\n" + text +
           "\r\n--Message-Boundary-1302\r\n"
           "Content-type: text/plain; charset=US-ASCII\r\n"
           "Content-disposition: attachment; filename=\"minutes.txt\"\r\n"
           "Content-transfer-encoding: BASE64\r\n"
           "\r\n" + Base64(attachment) +
           "\r\n--Message-Boundary-1302--\r\n";
}

// Answers the engine's passphrase dialogs in any process of the session
// when nobody else has after `patience` milliseconds.
class Typist {
public:
    explicit Typist(DWORD patience) : patience_(patience) {
        stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, &Typist::Run, this, 0, nullptr);
    }
    ~Typist() {
        SetEvent(stop_);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        CloseHandle(stop_);
    }
    int Answered() const { return answered_; }

private:
    static BOOL CALLBACK Find(HWND wnd, LPARAM lp) {
        char cls[16] = {};
        GetClassNameA(wnd, cls, sizeof cls);
        if (IsWindowVisible(wnd) && std::string(cls) == "#32770" && GetDlgItem(wnd, kPassphraseField)) {
            *reinterpret_cast<HWND*>(lp) = wnd;
            return FALSE;
        }
        return TRUE;
    }
    static DWORD WINAPI Run(void* self) {
        auto* t = static_cast<Typist*>(self);
        HWND seen = nullptr;
        DWORD since = 0;
        while (WaitForSingleObject(t->stop_, 200) == WAIT_TIMEOUT) {
            HWND dlg = nullptr;
            EnumWindows(&Typist::Find, reinterpret_cast<LPARAM>(&dlg));
            if (!dlg) {
                seen = nullptr;
                continue;
            }
            if (dlg != seen) {
                seen = dlg;
                since = GetTickCount();
                char caption[256] = {}, prompt[512] = {};
                GetWindowTextA(dlg, caption, sizeof caption);
                GetDlgItemTextA(dlg, 1001, prompt, sizeof prompt);
                std::printf("   [dialog] %s: %s\n", caption, prompt);
                continue;
            }
            if (GetTickCount() - since < t->patience_) continue;
            std::printf("   [dialog] nobody at the screen: the demo types the passphrase and presses OK\n");
            SendDlgItemMessageA(dlg, kPassphraseField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kPassphrase));
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
            ++t->answered_;
            seen = nullptr;
            Sleep(500);
        }
        return 0;
    }

    DWORD patience_;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    int answered_ = 0;
};

void ShowHead(const std::string& path, size_t lines);

struct Demo {
    std::string bin, install, dir, mailbox, engine, aliceKey;
    DWORD patience = 4000;

    // Runs the mail client stand-in with one encryptor job; the stand-in
    // prints what it saw (result, reaction, status lines) itself.
    int Client(const std::string& option, const std::string& file, const std::string& output,
               const std::string& label) {
        const std::string report = dir + label + ".log";
        DeleteFileA(report.c_str());
        // No backslash before a closing quote: it would escape the quote.
        const std::string mailboxArg = mailbox.substr(0, mailbox.size() - 1);
        std::string cmd = "\"" + bin + "PMailStandin.exe\" --hidden --user alice --mailbox \"" + mailboxArg +
                          "\" --from alice@orvane.example --sdk-dir \"" + engine + "\" --report \"" + report +
                          "\" " + option + " \"" + file + "\"";
        if (!output.empty()) cmd += " --output \"" + output + "\"";
        if (option == "--encrypt") cmd += " --recipients bob@orvane.example";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, bin.c_str(), &si, &pi)) {
            std::printf("   cannot start the mail client stand-in (%lu)\n", GetLastError());
            return -1;
        }
        WaitForSingleObject(pi.hProcess, 120000);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        int result = -1;
        const std::string log = ReadAll(report);
        size_t at = 0;
        while (at < log.size()) {
            size_t end = log.find('\n', at);
            if (end == std::string::npos) end = log.size();
            std::string line = log.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            at = end + 1;
            if (line.rfind("result ", 0) == 0) result = std::atoi(line.c_str() + 7);
        }
        if (log.empty()) std::printf("   the mail client wrote no report (exit code %lu)\n", code);
        return result;
    }

    // With reportToReader the signature results go to the reader windows;
    // fullAutomation confirms the client's encryption dialog by itself.
    void Configure(bool pgpMime, bool reportToReader = false, bool fullAutomation = false) {
        WriteAll(mailbox + "Merrowin.cfg", "[FilePaths]\r\nPubRing=" + dir + "pubring.pkr\r\nSecRing=" + dir +
                                               "secring.skr\r\n[DefaultUser]\r\nName=Alice Demo\\" + aliceKey + "\r\n[HideKeyDialog]\r\nHide=1" +
                                               "\r\n[MenuOptions]\r\nPGPMime=" + (pgpMime ? "1" : "0") +
                                               "\r\n[FullAuto]\r\nChecked=" + (fullAutomation ? "1" : "0") +
                                               "\r\n[Version]\r\nNo=99999\r\n" +
                                               (reportToReader ? "[CheckMessage]\r\nCheckSig=1\r\nInclude=1\r\n" : ""));
    }

    // Alice writes to Bob in the mail client's editor and presses Send. Bob
    // is on her AutoList, so the automation plug-in has the message
    // encrypted; she never ticks "Encrypt...". The sent file is copied to
    // DEMO_DIR\<label>.PM$; false when no encrypted message went out.
    bool SendToListedRecipient(const std::string& bobKey, const std::string& label) {
        Configure(false, false, true);
        const std::string digits = bobKey.size() > 2 ? bobKey.substr(2) : bobKey;
        WriteAll(mailbox + "AutoList.txt", "# Orvane AutoList: address\\flags x key\r\nBob Peer <bob@orvane.example>\\1x" +
                                               digits + "\r\n");
        const std::string body = dir + label + "_body.txt";
        WriteAll(body, "Hello Bob,\r\nthe next meeting is on Thursday.\r\nAlice\r\n");
        const std::string report = dir + label + ".log";
        DeleteFileA(report.c_str());
        const std::string mailboxArg = mailbox.substr(0, mailbox.size() - 1);
        std::string cmd = "\"" + bin + "PMailStandin.exe\" --user alice --mailbox \"" + mailboxArg +
                          "\" --from alice@orvane.example --sdk-dir \"" + engine + "\" --report \"" + report +
                          "\" --send-to bob@orvane.example --subject \"Next meeting\" --body \"" + body + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        bool started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, bin.c_str(), &si, &pi);
        if (started) {
            if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        if (!started) {
            std::printf("   cannot start the mail client stand-in (%lu)\n", GetLastError());
            return false;
        }
        bool encrypted = false, resent = false;
        std::string sent;
        const std::string log = ReadAll(report);
        size_t at = 0;
        while (at < log.size()) {
            size_t end = log.find('\n', at);
            if (end == std::string::npos) end = log.size();
            std::string line = log.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            at = end + 1;
            if (line == "send stopped by a form") resent = true;
            if (line.rfind("call ENCRYPT_FILE_EX", 0) == 0) encrypted = true;
            if (line.rfind("sent ", 0) == 0) sent = line.substr(5);
            if (line.rfind("status ", 0) == 0 || line.rfind("result ", 0) == 0 || line.rfind("click ", 0) == 0 ||
                line == "send stopped by a form")
                std::printf("   mail client: %s\n", line.c_str());
        }
        if (resent) std::printf("   (the first send went back to tick \"Encrypt...\" and fill the encryption dialog)\n");
        if (sent.empty() || !encrypted) {
            std::printf("   the message did not go out encrypted\n");
            return false;
        }
        CopyFileA(sent.c_str(), (dir + label + ".PM$").c_str(), FALSE);
        std::printf("   the message that went out (%s) begins:\n", sent.c_str());
        return true;
    }

    int ReadSignedInReader(const std::string& note);

    // The per-user set-up as the installer's silent run does it: the forms
    // files in Alice's mailbox name the installation, so the mail client
    // starts Orvane by itself. False when the launcher reports a failure.
    bool SetUpUser() {
        std::string path(32768, '\0');
        path.resize(GetEnvironmentVariableA("PATH", path.data(), static_cast<DWORD>(path.size())));
        SetEnvironmentVariableA("PATH", (engine + ";" + path).c_str());
        std::string cmd = "\"" + install + "Tolvane.exe\" UserConfig /S";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        DWORD code = 1;
        if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        SetEnvironmentVariableA("PATH", path.c_str());
        if (code != 0) {
            std::printf("   the set-up failed (exit code %lu): %s\n", code, ReadAll(install + "Tolvane.log").c_str());
            return false;
        }
        std::printf("   Tolvane.exe UserConfig /S set her up: Pellatch.fff and Merrowin.fff in her mailbox\n");
        ShowHead(mailbox + "Pellatch.fff", 6);
        return true;
    }
};

// Windows of another process: its frame, and the first descendant of a class.
struct ProcessWindow {
    DWORD pid;
    const char* cls;
    HWND found;
};

BOOL CALLBACK FindTopOfProcess(HWND wnd, LPARAM lp) {
    auto* p = reinterpret_cast<ProcessWindow*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (pid != p->pid || std::string(cls) != p->cls) return TRUE;
    p->found = wnd;
    return FALSE;
}

BOOL CALLBACK FindChildOfClass(HWND wnd, LPARAM lp) {
    auto* p = reinterpret_cast<ProcessWindow*>(lp);
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (std::string(cls) != p->cls) return TRUE;
    p->found = wnd;
    return FALSE;
}

HWND DescendantOfClass(HWND parent, const char* cls) {
    ProcessWindow p{0, cls, nullptr};
    EnumChildWindows(parent, FindChildOfClass, reinterpret_cast<LPARAM>(&p));
    return p.found;
}

std::string WindowText(HWND wnd) {
    std::string text(static_cast<size_t>(SendMessageA(wnd, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    text.resize(static_cast<size_t>(SendMessageA(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// The window as the screen shows it, as a 24-bit bitmap file.
bool SaveBitmap(HWND wnd, const std::string& path) {
    RECT r{};
    GetWindowRect(wnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bmp && bits) {
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        SelectObject(mem, old);
        GdiFlush();
        DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + stride * static_cast<DWORD>(h);
        std::string file(reinterpret_cast<const char*>(&fh), sizeof fh);
        file.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
        file.append(static_cast<const char*>(bits), stride * static_cast<DWORD>(h));
        ok = WriteAll(path, file);
    }
    if (bmp) DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

int Demo::ReadSignedInReader(const std::string& note) {
    Configure(false, true);
    // A folder holding the note.
    std::string folder(128, '\0');
    folder.replace(0, 12, "Signed notes");
    WriteAll(mailbox + "SIGNED.PMM", folder + note);
    const std::string report = dir + "read_signed_note.log";
    const std::string mailboxArg = mailbox.substr(0, mailbox.size() - 1);
    std::string cmd = "\"" + bin + "PMailStandin.exe\" --user alice --mailbox \"" + mailboxArg +
                      "\" --from alice@orvane.example --sdk-dir \"" + engine + "\" --report \"" + report +
                      "\" --readers plain --open-folder SIGNED.PMM --read 1 --stay";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, bin.c_str(), &si, &pi)) {
        std::printf("   cannot start the mail client stand-in (%lu)\n", GetLastError());
        return 1;
    }
    HWND frame = nullptr, body = nullptr;
    std::string text;
    for (int waited = 0; waited < 60000 && text.find("PGP-Info:") == std::string::npos; waited += 250) {
        Sleep(250);
        ProcessWindow top{pi.dwProcessId, "FRAME", nullptr};
        EnumWindows(FindTopOfProcess, reinterpret_cast<LPARAM>(&top));
        frame = top.found;
        HWND reader = frame ? DescendantOfClass(frame, "READER") : nullptr;
        body = reader ? DescendantOfClass(reader, "TER32CLASS") : nullptr;
        if (body) text = WindowText(body);
    }
    int failures = 0;
    if (text.find("PGP-Info:") == std::string::npos) {
        std::printf("   the reader shows no verified block\n");
        ++failures;
    } else {
        Sleep(500);
        std::printf("   the reader shows (the block in green, the result icon in its caption):\n");
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\r', at);
            if (end == std::string::npos) end = text.size();
            std::printf("     | %s\n", text.substr(at, end - at).c_str());
            at = end + 1;
            if (at < text.size() && text[at] == '\n') ++at;
        }
        const std::string shot = dir + "reader_signed.bmp";
        if (frame && SaveBitmap(frame, shot)) std::printf("   screenshot: %s\n", shot.c_str());
    }
    if (frame) PostMessageA(frame, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    Configure(false);
    return failures;
}

void ShowHead(const std::string& path, size_t lines) {
    const std::string text = ReadAll(path);
    size_t at = 0;
    for (size_t n = 0; n < lines && at < text.size(); ++n) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::printf("     | %s\n", line.c_str());
        at = end + 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 3) {
        std::printf("usage: orvane_demo.exe DEMO_DIR ALICE_KEY_ID --install DIR [--wait SECONDS] [--release 65] "
                    "[--bob BOB_KEY_ID]\n");
        return 2;
    }
    Demo demo;
    demo.bin = ProgramDir();
    demo.dir = argv[1];
    if (demo.dir.back() != '\\') demo.dir += '\\';
    demo.aliceKey = argv[2];
    bool release65 = false;
    std::string bobKey;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--wait") demo.patience = std::atoi(argv[i + 1]) * 1000;
        if (option == "--release") release65 = std::string(argv[i + 1]) == "65";
        if (option == "--bob") bobKey = argv[i + 1];
        if (option == "--install") demo.install = argv[i + 1];
    }
    if (demo.install.empty()) {
        std::printf("orvane_demo.exe: --install names the folder OrvaneSetup.exe installed into\n");
        return 2;
    }
    if (demo.install.back() != '\\') demo.install += '\\';
    demo.engine = demo.bin + (release65 ? kEngineDir65 : kEngineDir);
    // Each release its own names, so that one run's files never stand in for the other's.
    const std::string prefix = release65 ? "r65_" : "";
    demo.mailbox = demo.dir + "mail\\alice\\";
    CreateDirectoryA((demo.dir + "mail").c_str(), nullptr);
    CreateDirectoryA(demo.mailbox.c_str(), nullptr);

    std::printf("== Alice's set-up: mailbox %s, installation %s, engine %s\n", demo.mailbox.c_str(),
                demo.install.c_str(), demo.engine.c_str());
    // The mail client's own record of its user, as after its first start.
    SetRegistryValue(HKEY_CURRENT_USER, orv::mailclient::host::kRegUsername, nullptr, "alice");
    SetRegistryValue(HKEY_CURRENT_USER, orv::mailclient::host::kRegMailbox, nullptr,
                     demo.mailbox.substr(0, demo.mailbox.size() - 1));
    // The engine's own preferences name the same rings, so that its
    // dialogs and key windows agree with Orvane.
    const std::string pgpFolder = AppDataFolder() + "\\Network Associates\\PGP";
    CreateDirectoryA((AppDataFolder() + "\\Network Associates").c_str(), nullptr);
    CreateDirectoryA(pgpFolder.c_str(), nullptr);
    WriteAll(pgpFolder + "\\PGPprefs.txt", "PublicKeyringFile=\"" + demo.dir + "pubring.pkr\"\r\nPrivateKeyringFile=\"" +
                                               demo.dir + "secring.skr\"\r\n");

    const std::string minutes =
        "Minutes of the Orvane meeting\r\n1. The encryptor sends inline PGP and PGP/MIME.\r\n"
        "2. GnuPG reads both.\r\n";
    Typist typist(demo.patience);
    int failures = 0;
    demo.Configure(false);
    if (!demo.SetUpUser()) return 1;

    struct Send {
        const char* label;
        bool pgpMime;
    };
    std::vector<Send> sends{Send{"sent_inline", false}};
    if (!release65) sends.push_back(Send{"sent_pgpmime", true});
    for (const Send& send : sends) {
        const std::string label = prefix + send.label;
        const std::string file = demo.dir + label + ".PM$";
        std::printf("\n== Alice sends a message with an attachment, encrypted and signed %s: %s\n",
                    send.pgpMime ? "as PGP/MIME" : "inline", file.c_str());
        demo.Configure(send.pgpMime);
        WriteAll(file, OutgoingMessage(send.pgpMime ? "Minutes (PGP/MIME)" : "Minutes (inline)",
                                       "Hello Bob,\r\nthe minutes are attached.\r\nAlice\r\n", minutes));
        const int result = demo.Client("--encrypt", file, "", label);
        if (result != static_cast<int>(orv::mailclient::host::kEncodeDone)) {
            ++failures;
            continue;
        }
        std::printf("   the message file the mail client sends now begins:\n");
        ShowHead(file, 14);
    }
    WriteAll(demo.dir + "minutes.txt", minutes);

    if (!bobKey.empty()) {
        const std::string label = prefix + "sent_auto";
        std::printf("\n== Alice writes to Bob in the mail client and presses Send; Bob is on her AutoList\n");
        if (demo.SendToListedRecipient(bobKey, label)) ShowHead(demo.dir + label + ".PM$", 12);
        else ++failures;
    }

    struct Read {
        const char* file;
        const char* what;
        bool own;  // sent in this run: carries the run's prefix
    };
    demo.Configure(false);
    std::vector<Read> reads;
    if (release65) {
        reads = {Read{"sent_inline.PM$", "her own inline message", true},
                 Read{"reply_pgpmime.eml", "Bob's PGP/MIME reply (GnuPG)", false}};
    } else {
        reads = {Read{"sent_inline.PM$", "her own inline message", true},
                 Read{"sent_pgpmime.PM$", "her own PGP/MIME message", true},
                 Read{"reply_inline.eml", "Bob's inline reply (GnuPG)", false},
                 Read{"reply_pgpmime.eml", "Bob's PGP/MIME reply (GnuPG)", false}};
    }
    for (const Read& read : reads) {
        const std::string file = demo.dir + (read.own ? prefix : std::string()) + read.file;
        const std::string output = demo.dir + prefix + read.file + ".txt";
        DeleteFileA(output.c_str());
        std::printf("\n== Alice reads %s: %s\n", read.what, file.c_str());
        const int result = demo.Client("--decrypt", file, output, prefix + "read_" + read.file);
        if (result != static_cast<int>(orv::mailclient::host::kDecodeWritten)) {
            ++failures;
            continue;
        }
        std::printf("   the mail client shows %s:\n", output.c_str());
        ShowHead(output, 40);
    }

    if (!release65) {
        std::printf("\n== Alice opens Bob's clear-signed note in a reader of the mail client\n");
        const std::string note = ReadAll(demo.dir + "signed_note.eml");
        if (note.empty()) {
            std::printf("   %ssigned_note.eml is missing\n", demo.dir.c_str());
            ++failures;
        } else {
            failures += demo.ReadSignedInReader(note);
        }
    }

    std::printf("\n== %d passphrase dialog(s) answered by the demo; %s\n", typist.Answered(),
                failures ? "something failed (see above)" : "every step worked");
    return failures ? 1 : 0;
}

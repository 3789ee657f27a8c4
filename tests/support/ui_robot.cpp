#include "tests/support/ui_robot.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace orv::test {

namespace {

using Clock = std::chrono::steady_clock;

bool Matches(const std::string& pattern, const std::string& value) {
    if (pattern.empty()) return true;
    if (pattern.back() == '*')
        return value.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return pattern == value;
}

struct EnumTop {
    std::string cls, caption;
    std::vector<HWND> found;
};

BOOL CALLBACK EnumTopProc(HWND wnd, LPARAM param) {
    auto* q = reinterpret_cast<EnumTop*>(param);
    if (!IsWindowVisible(wnd)) return TRUE;
    if (Matches(q->cls, ClassOf(wnd)) && Matches(q->caption, GetText(wnd))) q->found.push_back(wnd);
    return TRUE;
}

BOOL CALLBACK EnumChildProc(HWND wnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(wnd);
    return TRUE;
}

// PNG with stored (uncompressed) deflate blocks: no zlib needed.
uint32_t Crc32(const uint8_t* data, size_t len, uint32_t crc = 0) {
    static uint32_t table[256];
    static bool init = false;
    if (!init) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        init = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < len; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBE32(std::string& out, uint32_t v) {
    out.push_back(char(v >> 24));
    out.push_back(char(v >> 16));
    out.push_back(char(v >> 8));
    out.push_back(char(v));
}

void PngChunk(std::string& out, const char* type, const std::string& data) {
    PutBE32(out, uint32_t(data.size()));
    std::string body(type, 4);
    body += data;
    out += body;
    PutBE32(out, Crc32(reinterpret_cast<const uint8_t*>(body.data()), body.size()));
}

std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgbRows) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string ihdr;
    PutBE32(ihdr, uint32_t(width));
    PutBE32(ihdr, uint32_t(height));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    PngChunk(png, "IHDR", ihdr);

    std::string z("\x78\x01", 2);
    uint32_t a = 1, b = 0;
    for (uint8_t c : rgbRows) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(65535, rgbRows.size() - pos);
        bool last = pos + n == rgbRows.size();
        z.push_back(last ? 1 : 0);
        z.push_back(char(n & 0xFF));
        z.push_back(char(n >> 8));
        z.push_back(char(~n & 0xFF));
        z.push_back(char((~n >> 8) & 0xFF));
        z.append(reinterpret_cast<const char*>(rgbRows.data()) + pos, n);
        pos += n;
    } while (pos < rgbRows.size());
    PutBE32(z, (b << 16) | a);
    PngChunk(png, "IDAT", z);
    PngChunk(png, "IEND", "");
    return png;
}

}  // namespace

std::string ClassOf(HWND wnd) {
    char buf[256] = {};
    GetClassNameA(wnd, buf, sizeof buf);
    return buf;
}

std::string GetText(HWND wnd) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return {};
    std::string text(len + 1, '\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutA(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &got);
    text.resize(got);
    return text;
}

void SetText(HWND wnd, const std::string& text) {
    DWORD_PTR r = 0;
    SendMessageTimeoutA(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                        2000, &r);
}

std::string StripMnemonic(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') out.push_back('&'), ++i;
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

std::vector<HWND> ListTopWindows(const std::string& cls, const std::string& caption) {
    EnumTop q{cls, caption, {}};
    EnumWindows(EnumTopProc, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

int Patience(int ms) {
    static const int scale = [] {
        char text[16] = {};
        const DWORD n = GetEnvironmentVariableA("ORV_TIME_SCALE", text, sizeof text);
        const int value = n > 0 && n < sizeof text ? std::atoi(text) : 1;
        return value > 1 ? value : 1;
    }();
    return ms > INT_MAX / scale ? INT_MAX : ms * scale;
}

namespace {

void DispatchPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

// Waits for the next message rather than polling: on a slow (emulated)
// machine every empty poll costs the programs under test their time.
void PumpFor(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    for (;;) {
        DispatchPending();
        const LONG left = static_cast<LONG>(end - GetTickCount());
        if (left <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(Patience(timeoutMs));
    while (!done()) {
        const LONG left = static_cast<LONG>(end - GetTickCount());
        if (left <= 0) return false;
        DispatchPending();
        // What done() watches need not arrive as a message: look again soon.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<LONG>(left, 20)), QS_ALLINPUT);
    }
    return true;
}

bool PumpQueued(int timeoutMs) {
    return PumpUntil([] { return HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0; }, timeoutMs);
}

HWND FindTopWindow(const std::string& cls, const std::string& caption, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(Patience(timeoutMs));
    do {
        auto found = ListTopWindows(cls, caption);
        if (!found.empty()) return found.front();
        Sleep(50);
    } while (Clock::now() < end);
    return nullptr;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(parent, EnumChildProc, reinterpret_cast<LPARAM>(&out));
    return out;
}

HWND FindChild(HWND parent, const std::string& cls, const std::string& text) {
    for (HWND child : Children(parent)) {
        if (!Matches(cls, ClassOf(child))) continue;
        if (text.empty() || Matches(text, GetText(child)) || Matches(text, StripMnemonic(GetText(child))))
            return child;
    }
    return nullptr;
}

HWND FindChildById(HWND parent, int id) {
    for (HWND child : Children(parent))
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

std::vector<std::string> StaticTexts(HWND wnd) {
    std::vector<std::string> out;
    for (HWND child : Children(wnd))
        if (_stricmp(ClassOf(child).c_str(), "Static") == 0) {
            std::string t = GetText(child);
            if (!t.empty()) out.push_back(t);
        }
    return out;
}

bool ClickButton(HWND parent, const std::string& caption) {
    HWND button = FindChild(parent, "", caption);
    if (!button) return false;
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
}

bool ClickId(HWND parent, int id) {
    HWND button = FindChildById(parent, id);
    if (!button) return false;
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
}

void PostKey(HWND wnd, WORD vk, bool ctrl) {
    UINT scan = MapVirtualKeyA(vk, 0);
    if (ctrl) PostMessageA(wnd, WM_KEYDOWN, VK_CONTROL, 1);
    PostMessageA(wnd, WM_KEYDOWN, vk, 1 | (scan << 16));
    UINT ch = MapVirtualKeyA(vk, 2);
    if (ch && !ctrl) PostMessageA(wnd, WM_CHAR, ch >= 'A' && ch <= 'Z' ? ch + 32 : ch, 1 | (scan << 16));
    PostMessageA(wnd, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
    if (ctrl) PostMessageA(wnd, WM_KEYUP, VK_CONTROL, 0xC0000001u);
}

void PostChars(HWND wnd, const std::string& text) {
    for (unsigned char c : text) PostMessageA(wnd, WM_CHAR, c, 1);
}

void SendKeyInput(WORD vk, bool ctrl) {
    std::vector<INPUT> in;
    auto key = [&](WORD k, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    if (ctrl) key(VK_CONTROL, false);
    key(vk, false);
    key(vk, true);
    if (ctrl) key(VK_CONTROL, true);
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
}

bool AwaitKeys(HWND wnd, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(Patience(timeoutMs));
    const DWORD thread = GetWindowThreadProcessId(wnd, nullptr);
    for (;;) {
        GUITHREADINFO gui{sizeof gui};
        if (GetForegroundWindow() == wnd && GetGUIThreadInfo(thread, &gui) && gui.hwndFocus &&
            (gui.hwndFocus == wnd || IsChild(wnd, gui.hwndFocus)))
            return true;
        if (!IsWindow(wnd) || Clock::now() >= end) return false;
        Sleep(20);
    }
}

bool WaitGone(HWND wnd, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(Patience(timeoutMs));
    while (IsWindow(wnd) && IsWindowVisible(wnd)) {
        if (Clock::now() >= end) return false;
        Sleep(20);
    }
    return true;
}

bool SaveScreenshot(HWND wnd, const std::string& pngPath) {
    RECT r{};
    if (wnd) {
        // The window as it shows once painted: a slow machine may not have
        // drawn it yet. A window of this thread paints at once; another
        // thread paints when its queue is empty, soon after it answers.
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        if (GetWindowThreadProcessId(wnd, nullptr) != GetCurrentThreadId()) {
            DWORD_PTR answer = 0;
            SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, Patience(2000), &answer);
            Sleep(Patience(50));
        } else {
            // Wine puts what a window painted on the screen when its thread
            // next looks at its queue, at most every few dozen milliseconds:
            // until then the screen holds the erased window.
            Sleep(Patience(50));
            MSG pending;
            PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE);
        }
        GetWindowRect(wnd, &r);
    } else {
        r.right = GetSystemMetrics(SM_CXSCREEN);
        r.bottom = GetSystemMetrics(SM_CYSCREEN);
    }
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;

    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bmp && bits) {
        HGDIOBJ old = SelectObject(mem, bmp);
        ok = BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != FALSE;
        SelectObject(mem, old);
    }
    if (ok) {
        std::vector<uint8_t> rows;
        rows.reserve(size_t(h) * (size_t(w) * 3 + 1));
        const auto* px = static_cast<const uint8_t*>(bits);
        for (int y = 0; y < h; ++y) {
            rows.push_back(0);  // no filter
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = px + (size_t(y) * w + x) * 4;
                rows.push_back(p[2]);
                rows.push_back(p[1]);
                rows.push_back(p[0]);
            }
        }
        std::string png = EncodePng(w, h, rows);
        FILE* f = fopen(pngPath.c_str(), "wb");
        ok = f && fwrite(png.data(), 1, png.size(), f) == png.size();
        if (f) fclose(f);
    }
    if (bmp) DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::string ShotPath(const std::string& name) {
    const char* dir = getenv("ORV_SHOTS");
    std::string path = dir && *dir ? std::string(dir) + "\\" : std::string();
    return path + name;
}

ModalScript::~ModalScript() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

ModalScript& ModalScript::Expect(const std::string& cls, const std::string& caption, Action action) {
    steps_.push_back({cls, caption, std::move(action)});
    return *this;
}

ModalScript& ModalScript::Click(const std::string& caption, const std::string& button) {
    return Expect("#32770", caption, PressButton(button));
}

void ModalScript::Start(int stepTimeoutMs) {
    before_ = ListTopWindows("", "");
    thread_ = std::thread([this, stepTimeoutMs] { Run(stepTimeoutMs); });
}

// After a failed step the job under test may still wait in a box nobody
// will answer: the process's dialogs that came after Start are cancelled
// until the test collects the failure, so the test fails instead of hanging.
void ModalScript::Rescue() {
    const DWORD self = GetCurrentProcessId();
    auto end = Clock::now() + std::chrono::seconds(60);
    while (!stop_ && Clock::now() < end) {
        for (HWND w : ListTopWindows("#32770", "")) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid != self) continue;
            bool old = false;
            for (HWND b : before_) old = old || b == w;
            if (old) continue;
            PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(w, WM_CLOSE, 0, 0);
        }
        Sleep(300);
    }
}

void ModalScript::Run(int stepTimeoutMs) {
    std::vector<HWND> answered;
    for (size_t i = 0; i < steps_.size() && !stop_; ++i) {
        const Step& step = steps_[i];
        auto end = Clock::now() + std::chrono::milliseconds(Patience(stepTimeoutMs));
        HWND box = nullptr;
        while (!box && !stop_ && Clock::now() < end) {
            for (HWND w : ListTopWindows(step.cls, step.caption)) {
                // A box that is still closing after its answer is not the next one.
                bool old = false;
                for (HWND a : answered) old = old || a == w;
                if (!old) {
                    box = w;
                    break;
                }
            }
            if (!box) Sleep(30);
        }
        if (!box) {
            std::lock_guard<std::mutex> lock(mutex_);
            failure_ = "step " + std::to_string(i + 1) + ": no window of class \"" + step.cls +
                       "\" with caption \"" + step.caption + "\"";
            failed_ = true;
            break;
        }
        Sleep(150);  // let the box finish its layout and focus
        // A slower machine may show the box before its caption and controls.
        for (auto ready = Clock::now() + std::chrono::milliseconds(Patience(150));
             (GetText(box).empty() || Children(box).empty()) && Clock::now() < ready;)
            Sleep(30);
        AwaitKeys(box, 2000);
        SeenBox seen;
        seen.cls = ClassOf(box);
        seen.caption = GetText(box);
        seen.texts = StaticTexts(box);
        seen.owner = GetWindow(box, GW_OWNER);
        seen.style = DWORD(GetWindowLongA(box, GWL_STYLE));
        for (HWND child : Children(box))
            if (_stricmp(ClassOf(child).c_str(), "Button") == 0) seen.buttons.push_back(GetText(child));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            seen_.push_back(seen);
        }
        answered.push_back(box);
        if (step.action) step.action(box);
    }
    if (failed_) Rescue();
    done_ = true;
}

bool ModalScript::Finish(int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(Patience(timeoutMs));
    while (!done_ && !failed_ && Clock::now() < end) Sleep(20);
    if (!done_) stop_ = true;
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_.empty() && seen_.size() == steps_.size();
}

std::vector<SeenBox> ModalScript::Seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

std::string ModalScript::Failure() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

bool PumpUntilSeen(const ModalScript& script, size_t boxes, int timeoutMs) {
    const bool seen = PumpUntil([&] { return script.Seen().size() >= boxes; }, timeoutMs);
    PumpQueued();
    return seen;
}

ModalScript::Action PressButton(const std::string& caption) {
    return [caption](HWND box) { ClickButton(box, caption); };
}

ModalScript::Action ScreenshotThen(const std::string& pngPath, ModalScript::Action then) {
    return [pngPath, then](HWND box) {
        SaveScreenshot(box, pngPath);
        if (then) then(box);
    };
}

}  // namespace orv::test

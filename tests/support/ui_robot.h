#pragma once
// The UI robot: drives windows of the product as a user would, from the test
// program. Windows are found by class and caption (any process on the same
// display), texts are read and set, buttons clicked, keys sent, and modal boxes
// answered from a script running on a thread of its own.
//
// A robot thread must be running before a library is loaded whose start shows
// a box: a thread that starts while the loader lock is held waits for the lock.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv::test {

// A wait's bound in milliseconds, stretched where the programs run slower than
// the tests were timed on (an emulated machine sets ORV_TIME_SCALE).
int Patience(int ms);

// Handles this thread's messages for the given time, sleeping between them.
void PumpFor(int ms);
// Handles messages until done() holds; false when the (stretched) bound passed first.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);
// Handles messages until none waits for this thread: what a step posted has
// been handled. False when they kept coming past the (stretched) bound.
bool PumpQueued(int timeoutMs = 5000);

// "" matches any class or caption. A caption ending in '*' matches by prefix.
HWND FindTopWindow(const std::string& cls, const std::string& caption, int timeoutMs = 5000);
// Top-level windows of this process and others, visible only.
std::vector<HWND> ListTopWindows(const std::string& cls, const std::string& caption);
// Depth-first search among all descendants; '&' in button texts is ignored.
HWND FindChild(HWND parent, const std::string& cls, const std::string& text);
HWND FindChildById(HWND parent, int id);
std::vector<HWND> Children(HWND parent);

std::string ClassOf(HWND wnd);
std::string GetText(HWND wnd);
void SetText(HWND wnd, const std::string& text);
// Texts of all static children, in Z order (the body of a message box).
std::vector<std::string> StaticTexts(HWND wnd);
// Text with mnemonic ampersands removed ("&Cancel" -> "Cancel").
std::string StripMnemonic(const std::string& text);

bool ClickButton(HWND parent, const std::string& caption);
bool ClickId(HWND parent, int id);
// Posts a key press (down, char, up) to a window, as typed on its focus.
void PostKey(HWND wnd, WORD vk, bool ctrl = false);
void PostChars(HWND wnd, const std::string& text);
// Real keyboard input through the window system, to the foreground window.
void SendKeyInput(WORD vk, bool ctrl = false);
// Waits until real keys reach the window: it is the foreground window and its
// thread's focus is on it or inside it. While the window system moves the
// activation after another window closed, typed keys go nowhere.
bool AwaitKeys(HWND wnd, int timeoutMs = 3000);

// Waits until the window is gone (destroyed or hidden).
bool WaitGone(HWND wnd, int timeoutMs = 5000);

// Saves the window (or the whole screen for nullptr) as a PNG file.
bool SaveScreenshot(HWND wnd, const std::string& pngPath);

// What the script saw of one box it answered.
struct SeenBox {
    std::string cls;
    std::string caption;
    std::vector<std::string> texts;  // static texts
    std::vector<std::string> buttons;
    HWND owner = nullptr;
    DWORD style = 0;
};

// Answers modal boxes one after another, in the order scripted. Each step
// waits for a top-level window of the class and caption, records it, then
// runs its action.
class ModalScript {
public:
    using Action = std::function<void(HWND)>;

    ModalScript() = default;
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    ModalScript& Expect(const std::string& cls, const std::string& caption, Action action);
    // Shorthand: a dialog of class "#32770" answered by clicking a button.
    ModalScript& Click(const std::string& caption, const std::string& button);

    void Start(int stepTimeoutMs = 15000);
    // Joins the thread; true when every step was answered.
    bool Finish(int timeoutMs = 30000);

    std::vector<SeenBox> Seen() const;
    std::string Failure() const;

private:
    struct Step {
        std::string cls;
        std::string caption;
        Action action;
    };
    void Run(int stepTimeoutMs);
    void Rescue();

    std::vector<Step> steps_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<SeenBox> seen_;
    std::string failure_;
    std::atomic<bool> done_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> failed_{false};
    std::vector<HWND> before_;
};

// Handles this thread's messages until the script has seen the boxes, then
// what the last answer set going.
bool PumpUntilSeen(const ModalScript& script, size_t boxes, int timeoutMs = 20000);

// Common actions.
ModalScript::Action PressButton(const std::string& caption);
ModalScript::Action ScreenshotThen(const std::string& pngPath, ModalScript::Action then);

// Directory for screenshots: $ORV_SHOTS or the working directory.
std::string ShotPath(const std::string& name);

}  // namespace orv::test

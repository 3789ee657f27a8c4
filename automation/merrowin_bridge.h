#pragma once
// TMerrowin: the plug-in's bridge to the main library. The library is loaded
// from the installation directory only when its product version equals the
// plug-in's, its exports are bound by ordinal, and every call runs inside a
// host form of the main library. A missing export gives its fixed default.

#include <windows.h>

#include <array>
#include <string>

#include "base/unique_handle.h"
#include "interfaces/merrowin_exports.h"

namespace orv::automation {

class TPLUtils;

class TMerrowin {
public:
    explicit TMerrowin(TPLUtils& utils);
    // Releases the form and frees the main library.
    ~TMerrowin();
    TMerrowin(const TMerrowin&) = delete;
    TMerrowin& operator=(const TMerrowin&) = delete;

    // Loads the main library and hands it the client's windows and the
    // mailbox directory (PlugInit); false when it is missing, of another
    // version, or lacks PlugInit.
    bool Initialize(HWND hostWindow, HWND frame, HWND automationWindow, HWND mdiClient);
    std::string LibraryPath() const;
    bool Loaded() const { return bool(module_); }

    // Opens a main-library form through the host (0x0C10) unless a main
    // library window is known; the form window or 0.
    HWND LoadMerrowin(const char* formName);

    // The show operations: the export's result, 0 when it is missing.
    LRESULT ShowManager();
    LRESULT ShowViewer(bool folderView);
    LRESULT ShowConfig();
    LRESULT ShowAbout();

    // Utility calls, each with the default of a missing export.
    void WipeCache();
    void Error(const std::string& text);
    void Info(const std::string& text);
    bool Confirm(const std::string& text);
    int ConfCanc(const std::string& text);
    bool SaveMimeAttachments(const std::string& text);
    bool GetKeyFromServer(const std::string& keyId);
    // The buffer is sized here to the room the main library writes into
    // (interfaces/address_room.h) and cut at its first zero after the call.
    bool SetAddrOptions(const std::string& text, std::string& buffer);
    bool AddAddrOptions(const std::string& text, std::string& buffer, int options, bool flag);
    bool GetABKAddr(const std::string& text, std::string& buffer, int options);
    bool GetPGPAddr(const std::string& addresses, const std::string& keys, std::string& buffer, int options);
    int FindKeys(const std::string& pattern, std::string& buffer, bool flag);
    // FindKeys looked up directly, without a form (the upgrade after
    // installation); 0 when the export is missing.
    int FindKeysDirect(const std::string& pattern, std::string& buffer, bool flag);
    int KeySelect(const std::string& item, const std::string& candidates);
    // The deleted key IDs arrive in the buffer, sized here by the key count.
    bool KeyDelete(std::string& deleted);
    bool KeyExtract();
    bool ShowFingerPrint();
    bool ExecPGPkeys();

    // Closes the held form, forgets it and the main library window.
    void ReleaseProc();
    void ShowHelp() const;

    HWND FormWindow() const { return formWindow_; }
    // The main library's window that the plug-in recognised among the client's windows.
    HWND MainWindow() const;
    void SetMainWindow(HWND window) { mainWindow_ = window; }
    // Closes the recognised main-library window, if any.
    void CloseMainWindow();

    static constexpr int kFirstOrdinal = merrowin::kFirstPlugInOrdinal;
    static constexpr int kLastOrdinal = merrowin::kLastPlugInOrdinal;

private:
    FARPROC Export(int ordinal);
    // Steps 1 and 2 of a utility call: the dialog wait and the "UTILS" form;
    // the export when it may be called, nullptr for its default.
    FARPROC PrepareUtility(int ordinal);
    static void WaitForForeignDialog();
    template <int Ordinal>
    static typename merrowin::Export<Ordinal>::Fn Bound(FARPROC proc) {
        return reinterpret_cast<typename merrowin::Export<Ordinal>::Fn>(reinterpret_cast<void*>(proc));
    }
    template <int Ordinal>
    typename merrowin::Export<Ordinal>::Fn Utility() {
        return Bound<Ordinal>(PrepareUtility(Ordinal));
    }
    template <int Ordinal>
    LRESULT ShowForm(const char* formName);

    TPLUtils& utils_;
    UniqueModule module_;
    HWND hostWindow_ = nullptr;
    HWND formWindow_ = nullptr;
    HWND mainWindow_ = nullptr;
    std::array<FARPROC, kLastOrdinal - kFirstOrdinal + 1> procs_{};
    std::array<bool, kLastOrdinal - kFirstOrdinal + 1> looked_{};
};

}  // namespace orv::automation

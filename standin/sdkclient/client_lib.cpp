// The stand-in's client library: library start and end, the client
// preferences in a file of its own, the change notifications (written to a
// log beside the library) and the key selection dialog.
#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "standin/export_guard.h"
#include "standin/sdkclient/client_exports.h"
#include "standin/sdkclient/client_ids.h"
#include "standin/sdkclient/pref_store.h"
#include "standin/sdkui/core_access.h"

namespace {

using companion::core;
using sdkclient::TPrefStore;

constexpr PGPError kErrUnknown = -11985;
constexpr uint32_t kPrefsTag = 0x50524546;

HINSTANCE g_module = nullptr;
LONG g_initCount = 0;
#if ORV_SDKCL_RELEASE != 7
int g_openCount = 0;  // open client preference handles
#endif

// The objects behind the preference handles: the client's and the
// administrator's preferences, both in the one file.
struct PrefsObject {
    uint32_t tag = kPrefsTag;
    TPrefStore store;
    bool loaded = false;
};
PrefsObject g_client;
PrefsObject g_admin;

std::string libraryDir() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
    std::string dir(path, n);
    const size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

std::string prefsPath() { return libraryDir() + SDKCL_PREFS_FILE; }

PrefsObject* prefsOf(PGPPrefRef ref) {
    auto* p = reinterpret_cast<PrefsObject*>(ref);
    if (p != &g_client && p != &g_admin) return nullptr;
    if (!p->loaded) {
        // The administrator's preferences are empty in the stand-in.
        if (p == &g_client) p->store.Load(prefsPath());
        p->loaded = true;
    }
    return p;
}

void logLine(const std::string& line) {
    const std::string path = libraryDir() + SDKCL_LOG_FILE;
    HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(f, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(f);
}

PGPError getValue(PGPPrefRef ref, PGPPrefIndex index, char kind, const sdkclient::PrefValue*& out) {
    out = nullptr;
    PrefsObject* p = prefsOf(ref);
    if (!p) return kPGPError_BadParams;
    out = p->store.Find(index);
    if (!out) return kPGPError_PrefNotFound;
    if (out->kind != kind) {
        out = nullptr;
        return kPGPError_BadParams;
    }
    return kPGPError_NoErr;
}

PGPError setValue(PGPPrefRef ref, PGPPrefIndex index, char kind, const std::string& bytes) {
    PrefsObject* p = prefsOf(ref);
    if (!p) return kPGPError_BadParams;
    p->store.Set(index, kind, bytes);
    return kPGPError_NoErr;
}

void* engineCopy(const void* data, size_t size, size_t extra) {
    const auto& c = core();
    if (!c.PGPNewData) return nullptr;
    auto* block = static_cast<char*>(c.PGPNewData(c.PGPGetDefaultMemoryMgr(), PGPSize(size + extra), 1));
    if (block && size) std::memcpy(block, data, size);
    return block;
}

template <class F>
PGPError guard(F f) noexcept {
    try {
        return f();
    } catch (...) {
        return kErrUnknown;
    }
}

// ---- key selection dialog ------------------------------------------------

struct Selection {
    std::string prompt;
    std::vector<companion::KeyInfo> keys;
    std::vector<int> chosen;
};

void addColumn(HWND list, int index, const char* title, int width) {
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<char*>(title);
    col.cx = width;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&col));
}

void setCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void fillKeys(HWND dlg, const Selection& sel) {
    HWND list = GetDlgItem(dlg, IDC_SDKCL_KEYS);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    // The columns share the list's width, room left for a vertical scroll bar.
    RECT rc;
    GetClientRect(list, &rc);
    const int width = rc.right - GetSystemMetrics(SM_CXVSCROLL) - 2;
    const int userID = width * 36 / 100, keyID = width * 30 / 100, type = width * 11 / 100;
    addColumn(list, 0, "User ID", userID);
    addColumn(list, 1, "Key ID", keyID);
    addColumn(list, 2, "Type", type);
    addColumn(list, 3, "Size", width - userID - keyID - type);
    for (size_t i = 0; i < sel.keys.size(); ++i) {
        const auto& k = sel.keys[i];
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(k.userID.c_str());
        item.lParam = static_cast<LPARAM>(i);
        const int row = int(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        setCell(list, row, 1, k.keyID);
        setCell(list, row, 2, k.type);
        setCell(list, row, 3, companion::sizeText(k));
    }
}

std::vector<int> selectedRows(HWND list) {
    std::vector<int> rows;
    for (int i = int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i >= 0;
         i = int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        rows.push_back(static_cast<int>(item.lParam));
    }
    return rows;
}

INT_PTR CALLBACK selectProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        auto* sel = reinterpret_cast<Selection*>(GetWindowLongPtrA(dlg, DWLP_USER));
        switch (msg) {
            case WM_INITDIALOG:
                SetWindowLongPtrA(dlg, DWLP_USER, lp);
                sel = reinterpret_cast<Selection*>(lp);
                SetDlgItemTextA(dlg, IDC_SDKCL_PROMPT, sel->prompt.c_str());
                fillKeys(dlg, *sel);
                EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
                SetForegroundWindow(dlg);
                SetFocus(GetDlgItem(dlg, IDC_SDKCL_KEYS));
                return FALSE;
            case WM_NOTIFY: {
                const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
                if (!sel || hdr->idFrom != IDC_SDKCL_KEYS) break;
                HWND list = hdr->hwndFrom;
                if (hdr->code == LVN_ITEMCHANGED)
                    EnableWindow(GetDlgItem(dlg, IDOK), SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0);
                if (hdr->code == NM_DBLCLK) {
                    const auto* act = reinterpret_cast<const NMITEMACTIVATE*>(lp);
                    if (act->iItem >= 0) {
                        LVITEMA item = {};
                        item.mask = LVIF_PARAM;
                        item.iItem = act->iItem;
                        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
                        sel->chosen = {static_cast<int>(item.lParam)};
                        EndDialog(dlg, IDOK);
                    }
                }
                return TRUE;
            }
            case WM_COMMAND:
                if (!sel) break;
                if (LOWORD(wp) == IDOK) {
                    sel->chosen = selectedRows(GetDlgItem(dlg, IDC_SDKCL_KEYS));
                    if (!sel->chosen.empty()) EndDialog(dlg, IDOK);
                    return TRUE;
                }
                if (LOWORD(wp) == IDCANCEL) {
                    EndDialog(dlg, IDCANCEL);
                    return TRUE;
                }
                break;
            default: break;
        }
    } catch (...) {
        EndDialog(dlg, IDCANCEL);
    }
    return FALSE;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

namespace {

PGPError initLibrary(PGPContextRef context) {
    return guard([&] {
        if (!context) return PGPError(kPGPError_BadParams);
        if (!core().complete) return PGPError(kPGPError_EngineNotLoaded);
        InterlockedIncrement(&g_initCount);
        return PGPError(kPGPError_NoErr);
    });
}

// Shows the keys of keySet and hands the chosen ones back in a new set.
PGPError selectKeys(PGPWindowRef parent, const char* prompt, PGPKeySetRef keySet, PGPKeySetRef* outSelected) {
    return guard([&] {
        if (outSelected) *outSelected = nullptr;
        const auto& c = core();
        if (!c.complete) return PGPError(kPGPError_EngineNotLoaded);
        if (!keySet || !outSelected) return PGPError(kPGPError_BadParams);
        Selection sel;
        sel.prompt = prompt ? prompt : "";
        sel.keys = companion::listKeys(keySet);
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        HWND owner = static_cast<HWND>(parent);
        if (owner && !IsWindow(owner)) owner = nullptr;
        const INT_PTR r = DialogBoxParamA(g_module, MAKEINTRESOURCEA(IDD_SDKCL_SELECT), owner, selectProc,
                                          reinterpret_cast<LPARAM>(&sel));
        if (r == IDCANCEL) return PGPError(kPGPError_UserAbort);
        if (r != IDOK) return PGPError(kErrUnknown);
        std::vector<PGPKeyDBObjRef> chosen;
        for (int i : sel.chosen) chosen.push_back(sel.keys[static_cast<size_t>(i)].key);
        return companion::newSetOf(keySet, chosen, outSelected);
    });
}

}  // namespace

extern "C" {

#if ORV_SDKCL_RELEASE == 7
PGPError PGP_CLCALL _PGPclInitLibrary(PGPContextRef context, PGPFlags) {
    try {
        return initLibrary(context);
    } ORV_EXPORT_GUARD
}
#else
PGPError PGP_CLCALL PGPclInitLibrary(PGPContextRef context) {
    try {
        return initLibrary(context);
    } ORV_EXPORT_GUARD
}
#endif

PGPError PGP_CLCALL SDKCL(CloseLibrary)(void) {
    try {
        return guard([] {
            if (InterlockedCompareExchange(&g_initCount, 0, 0) <= 0) return PGPError(kPGPError_BadParams);
            if (InterlockedDecrement(&g_initCount) == 0 && g_client.loaded && g_client.store.Dirty()) {
                if (g_client.store.Save(prefsPath())) g_client.store.MarkSaved();
            }
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

// The stand-in has no preference pages of its own.
#if ORV_SDKCL_RELEASE == 7
PGPError PGP_CLCALL _PGPclPreferences(PGPContextRef, PGPWindowRef, PGPInt32, PGPKeyDBRef) {
    try {
        return kPGPError_EngineNotLoaded;
    } ORV_EXPORT_GUARD
}
#else
PGPError PGP_CLCALL PGPclPreferences(PGPContextRef, PGPWindowRef, PGPInt32, PGPKeySetRef) {
    try {
        return kPGPError_EngineNotLoaded;
    } ORV_EXPORT_GUARD
}
#endif

PGPError PGP_CLCALL SDKCL(GetPrefBoolean)(PGPPrefRef prefs, PGPPrefIndex index, PGPBoolean* outValue) {
    try {
        return guard([&] {
            if (!outValue) return PGPError(kPGPError_BadParams);
            *outValue = 0;
            const sdkclient::PrefValue* v = nullptr;
            PGPError err = getValue(prefs, index, 'b', v);
            if (!err) *outValue = v->bytes == "1";
            return err;
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL SDKCL(SetPrefBoolean)(PGPPrefRef prefs, PGPPrefIndex index, PGPUInt32 value) {
    try {
        return guard([&] { return setValue(prefs, index, 'b', value ? "1" : "0"); });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL SDKCL(GetPrefNumber)(PGPPrefRef prefs, PGPPrefIndex index, PGPUInt32* outValue) {
    try {
        return guard([&] {
            if (!outValue) return PGPError(kPGPError_BadParams);
            *outValue = 0;
            const sdkclient::PrefValue* v = nullptr;
            PGPError err = getValue(prefs, index, 'n', v);
            if (!err) *outValue = static_cast<PGPUInt32>(std::strtoul(v->bytes.c_str(), nullptr, 10));
            return err;
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL SDKCL(SetPrefNumber)(PGPPrefRef prefs, PGPPrefIndex index, PGPUInt32 value) {
    try {
        return guard([&] { return setValue(prefs, index, 'n', std::to_string(value)); });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL SDKCL(GetPrefStringAlloc)(PGPPrefRef prefs, PGPPrefIndex index, char** outString) {
    try {
        return guard([&] {
            if (!outString) return PGPError(kPGPError_BadParams);
            *outString = nullptr;
            const sdkclient::PrefValue* v = nullptr;
            PGPError err = getValue(prefs, index, 's', v);
            if (err) return err;
            auto* s = static_cast<char*>(engineCopy(v->bytes.data(), v->bytes.size(), 1));
            if (!s) return PGPError(kPGPError_OutOfMemory);
            s[v->bytes.size()] = 0;
            *outString = s;
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL SDKCL(GetPrefStringBuffer)(PGPPrefRef prefs, PGPPrefIndex index, PGPSize maxSize, char* buffer) {
    try {
        return guard([&] {
            if (!buffer || maxSize == 0) return PGPError(kPGPError_BadParams);
            buffer[0] = 0;
            const sdkclient::PrefValue* v = nullptr;
            PGPError err = getValue(prefs, index, 's', v);
            if (err) return err;
            const size_t n = std::min<size_t>(v->bytes.size(), maxSize - 1);
            std::memcpy(buffer, v->bytes.data(), n);
            buffer[n] = 0;
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL SDKCL(SetPrefString)(PGPPrefRef prefs, PGPPrefIndex index, const char* string) {
    try {
        return guard([&] {
            if (!string) return PGPError(kPGPError_BadParams);
            return setValue(prefs, index, 's', string);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL SDKCL(GetPrefData)(PGPPrefRef prefs, PGPPrefIndex index, PGPSize* outLength, void** outData) {
    try {
        return guard([&] {
            if (!outLength || !outData) return PGPError(kPGPError_BadParams);
            *outLength = 0;
            *outData = nullptr;
            const sdkclient::PrefValue* v = nullptr;
            PGPError err = getValue(prefs, index, 'd', v);
            if (err) return err;
            void* block = engineCopy(v->bytes.data(), v->bytes.size(), 0);
            if (!block && !v->bytes.empty()) return PGPError(kPGPError_OutOfMemory);
            *outData = block;
            *outLength = static_cast<PGPSize>(v->bytes.size());
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL SDKCL(SetPrefData)(PGPPrefRef prefs, PGPPrefIndex index, PGPSize length, const void* data) {
    try {
        return guard([&] {
            if (!data && length) return PGPError(kPGPError_BadParams);
            if (index == kPGPPrefKeyServerList && length % kPGPPrefKeyServerEntrySize) return PGPError(kPGPError_BadParams);
            return setValue(prefs, index, 'd', std::string(static_cast<const char*>(data), length));
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL SDKCL(RemovePref)(PGPPrefRef prefs, PGPPrefIndex index) {
    try {
        return guard([&] {
            PrefsObject* p = prefsOf(prefs);
            if (!p) return PGPError(kPGPError_BadParams);
            return p->store.Remove(index) ? PGPError(kPGPError_NoErr) : PGPError(kPGPError_PrefNotFound);
        });
    } ORV_EXPORT_GUARD
}

#if ORV_SDKCL_RELEASE == 7
PGPError PGP_CLCALL _PGPclPeekClientLibPrefRefs(PGPPrefRef* outClientPrefs, PGPPrefRef* outAdminPrefs) {
    try {
        return guard([&] {
            if (!outClientPrefs) return PGPError(kPGPError_BadParams);
            *outClientPrefs = reinterpret_cast<PGPPrefRef>(prefsOf(reinterpret_cast<PGPPrefRef>(&g_client)));
            if (outAdminPrefs) *outAdminPrefs = reinterpret_cast<PGPPrefRef>(prefsOf(reinterpret_cast<PGPPrefRef>(&g_admin)));
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL _PGPclFlushClientLibPrefs(PGPPrefRef clientPrefs, PGPPrefRef adminPrefs) {
    try {
        return guard([&] {
            PrefsObject* p = prefsOf(clientPrefs);
            if (!p || (adminPrefs && !prefsOf(adminPrefs))) return PGPError(kPGPError_BadParams);
            if (!p->store.Save(prefsPath())) return PGPError(kPGPError_WriteFailed);
            p->store.MarkSaved();
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}
#else
// Each opening reads the file afresh unless the preferences are open already;
// closing with save writes changes, the last closing without one drops them.
PGPError PGP_CLCALL PGPclOpenClientPrefs(PGPMemoryMgrRef, PGPPrefRef* outPrefs) {
    try {
        return guard([&] {
            if (!outPrefs) return PGPError(kPGPError_BadParams);
            *outPrefs = nullptr;
            if (g_openCount == 0) g_client.loaded = false;
            *outPrefs = reinterpret_cast<PGPPrefRef>(prefsOf(reinterpret_cast<PGPPrefRef>(&g_client)));
            ++g_openCount;
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CLCALL PGPclCloseClientPrefs(PGPPrefRef prefs, PGPBoolean save) {
    try {
        return guard([&] {
            PrefsObject* p = prefsOf(prefs);
            if (p != &g_client || g_openCount <= 0) return PGPError(kPGPError_BadParams);
            PGPError err = kPGPError_NoErr;
            if (save && p->store.Dirty()) {
                if (p->store.Save(prefsPath())) p->store.MarkSaved();
                else err = kPGPError_WriteFailed;
            }
            if (--g_openCount == 0 && p->store.Dirty()) p->loaded = false;
            return err;
        });
    } ORV_EXPORT_GUARD
}
#endif

PGPError PGP_CLCALL SDKCL(NotifyPrefsChanges)(PGPUInt32 processID) {
    try {
        return guard([&] {
            logLine("prefs " + std::to_string(processID));
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

#if ORV_SDKCL_RELEASE == 7
PGPError PGP_CLCALL _PGPclNotifyKeyringChanges(PGPFlags flags, PGPUInt32 processID) {
    try {
        return guard([&] {
            logLine("keyring " + std::to_string(flags) + " " + std::to_string(processID));
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}
#else
// Release 6.5 has no flags: the line shows 0.
PGPError PGP_CLCALL PGPclNotifyKeyringChanges(PGPUInt32 processID) {
    try {
        return guard([&] {
            logLine("keyring 0 " + std::to_string(processID));
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}
#endif

PGPError PGP_CLCALL SDKCL(NotifyKeyserverPrefsChanges)(PGPUInt32 processID) {
    try {
        return guard([&] {
            logLine("keyserverprefs " + std::to_string(processID));
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}


#if ORV_SDKCL_RELEASE == 7
// The chosen keys' set belongs to the offered set's database; keyDB is
// the caller's word for it.
PGPError PGP_CLCALL _PGPclSelectKeys(PGPContextRef, PGPtlsContextRef, PGPWindowRef parent, const char* prompt,
                                     PGPKeySetRef keySet, PGPKeyDBRef, PGPKeySetRef* outSelected) {
    try {
        return selectKeys(parent, prompt, keySet, outSelected);
    } ORV_EXPORT_GUARD
}
#else
PGPError PGP_CLCALL PGPclSelectKeysEx(PGPContextRef, PGPtlsContextRef, PGPWindowRef parent, const char* prompt,
                                      PGPKeySetRef keySet, PGPKeySetRef, PGPKeySetRef* outSelected) {
    try {
        return selectKeys(parent, prompt, keySet, outSelected);
    } ORV_EXPORT_GUARD
}
#endif

}  // extern "C"

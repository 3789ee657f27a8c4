#include "standin/sdksupport/key_manager.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "standin/sdksupport/support_ids.h"
#include "standin/sdkui/core_access.h"

namespace keymanager {

namespace {

using companion::core;
using companion::KeyInfo;

constexpr PGPError kErrUnknown = -11985;
constexpr PGPError kErrBadPassphrase = -11500;
// The engine's own answer to "how long": shorter ones are refused.
constexpr size_t kMinPassphrase = 8;
constexpr int kKeySizes[] = {2048, 3072, 4096};
constexpr int kDefaultKeySize = 1;  // 3072 bits

HWND g_window = nullptr;

// ---- what the SDK preferences say ------------------------------------------

// A context with the default preferences loaded, freed with it.
class Prefs {
public:
    Prefs() {
        const auto& c = core();
        if (c.complete && c.PGPNewContext(kPGPsdkAPIVersion, &context_) == kPGPError_NoErr)
            err_ = c.PGPsdkLoadDefaultPrefs(context_);
    }
    ~Prefs() {
        if (context_) core().PGPFreeContext(context_);
    }
    Prefs(const Prefs&) = delete;
    Prefs& operator=(const Prefs&) = delete;

    PGPError error() const { return context_ ? err_ : kPGPError_EngineNotLoaded; }

    std::string file(PGPsdkPrefSelector selector) const {
        const auto& c = core();
        PGPFileSpecRef spec = nullptr;
        if (error() || c.PGPsdkPrefGetFileSpec(context_, selector, &spec) != kPGPError_NoErr) return {};
        char* full = nullptr;
        std::string path;
        if (c.PGPGetFullPathFromFileSpec(spec, &full) == kPGPError_NoErr && full) path = full;
        if (full) c.PGPFreeData(full);
        c.PGPFreeFileSpec(spec);
        return path;
    }

    // The default key as "0x" and its hex digits, empty without one.
    std::string defaultKeyID() const {
        const auto& c = core();
        void* data = nullptr;
        PGPSize size = 0;
        std::string id;
        if (!error() && c.PGPsdkPrefGetData(context_, kPGPsdkPref_DefaultKeyID, &data, &size) == kPGPError_NoErr &&
            data && size > 1) {
            static const char* hex = "0123456789ABCDEF";
            const auto* b = static_cast<const unsigned char*>(data);
            id = "0x";
            for (PGPSize i = 1; i < size && i <= b[0]; ++i) {
                id += hex[b[i] >> 4];
                id += hex[b[i] & 15];
            }
        }
        if (data) c.PGPFreeData(data);
        return id;
    }

    // Kept as the SDK keeps it: a length byte, then the ID's bytes.
    PGPError setDefaultKey(const std::string& keyID) {
        if (error()) return error();
        if (keyID.size() != 18 && keyID.size() != 10) return kPGPError_BadParams;
        std::string bytes(1, static_cast<char>((keyID.size() - 2) / 2));
        for (size_t i = 2; i + 1 < keyID.size(); i += 2)
            bytes += static_cast<char>(std::stoi(keyID.substr(i, 2), nullptr, 16));
        PGPError err = core().PGPsdkPrefSetData(context_, kPGPsdkPref_DefaultKeyID, bytes.data(), bytes.size());
        return err ? err : save();
    }

    // Names the rings anew, so that every reader of the preferences (PGP's
    // own file on release 7) finds the ones just made.
    PGPError setRings(const std::string& pub, const std::string& sec) {
        if (error()) return error();
        const auto& c = core();
        PGPError err = kPGPError_NoErr;
        for (auto [selector, path] : {std::pair{kPGPsdkPref_PublicKeyring, pub}, {kPGPsdkPref_PrivateKeyring, sec}}) {
            PGPFileSpecRef spec = nullptr;
            if (!err) err = c.PGPNewFileSpecFromFullPath(context_, path.c_str(), &spec);
            if (!err) err = c.PGPsdkPrefSetFileSpec(context_, PGPsdkPrefSelector(selector), spec);
            if (spec) c.PGPFreeFileSpec(spec);
        }
        return err ? err : save();
    }

private:
    PGPError save() { return core().PGPsdkSavePrefs(context_); }

    PGPContextRef context_ = nullptr;
    PGPError err_ = kPGPError_NoErr;
};

bool sameKeyID(const std::string& a, const std::string& b) {
    if (a.size() < 10 || b.size() < 10) return false;
    // A short ID is the last eight digits of the long one.
    const size_t n = std::min(a.size(), b.size()) - 2;
    return std::equal(a.end() - n, a.end(), b.end() - n,
                      [](char x, char y) { return std::toupper((unsigned char)x) == std::toupper((unsigned char)y); });
}

bool fileExists(const std::string& path) {
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Makes the folders a path lies in, from the outermost.
void makeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
}

// ---- a passphrase typed into an edit ----------------------------------------

// Read out of its control, which is emptied; wiped when it goes.
class Secret {
public:
    Secret(HWND dialog, int id) {
        HWND edit = GetDlgItem(dialog, id);
        text_.assign(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
        const int n = GetWindowTextA(edit, text_.data(), static_cast<int>(text_.size()));
        length_ = n > 0 ? static_cast<size_t>(n) : 0;
        SetWindowTextA(edit, "");
    }
    ~Secret() { companion::wipe(text_.data(), text_.size()); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    const char* c_str() const { return text_.data(); }
    size_t size() const { return length_; }
    bool operator==(const Secret& o) const { return length_ == o.length_ && text_ == o.text_; }

private:
    std::vector<char> text_;
    size_t length_ = 0;
};

std::string itemText(HWND dialog, int id) {
    char text[512] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    std::string s = text;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    return s;
}

void tell(HWND owner, const std::string& text, UINT icon = MB_ICONEXCLAMATION) {
    MessageBoxA(owner, text.c_str(), SDKSC_KEYS_CAPTION, MB_OK | icon);
}

std::string errorText(const char* what, PGPError err) { return std::string(what) + " (error " + std::to_string(err) + ")."; }

// A new passphrase and its repetition, checked; the fields are emptied.
bool newPassphraseOf(HWND dialog, int first, int second, std::vector<char>& out) {
    Secret pass(dialog, first), again(dialog, second);
    const char* problem = nullptr;
    if (pass.size() < kMinPassphrase) problem = "The passphrase must have at least 8 characters.";
    else if (!(pass == again)) problem = "The two passphrases differ. Type the same passphrase twice.";
    if (problem) {
        tell(dialog, problem);
        SetFocus(GetDlgItem(dialog, first));
        return false;
    }
    out.assign(pass.c_str(), pass.c_str() + pass.size() + 1);
    return true;
}

void wipe(std::vector<char>& v) {
    companion::wipe(v.data(), v.size());
    v.clear();
}

// ---- the rings ------------------------------------------------------------

struct Place {
    std::string pub, sec;
};

// The folder PGP keeps a user's own files in: "Network Associates\PGP" in
// the application-data folder.
Place userPlace() {
    HKEY key = nullptr;
    char folder[MAX_PATH * 2] = {};
    DWORD size = sizeof folder - 1;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    const bool ok = RegQueryValueExA(key, "AppData", nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &size) ==
                    ERROR_SUCCESS;
    RegCloseKey(key);
    if (!ok || !folder[0]) return {};
    const std::string base = std::string(folder) + "\\Network Associates\\PGP\\";
    return {base + "pubring.pkr", base + "secring.skr"};
}

Place ringsOfPrefs(PGPError& err) {
    Prefs prefs;
    err = prefs.error();
    return {prefs.file(kPGPsdkPref_PublicKeyring), prefs.file(kPGPsdkPref_PrivateKeyring)};
}

// Writable rings of the preferences, closed with the object.
class OpenRings {
public:
    explicit OpenRings(const Place& place) : err_(companion::openRings(place.pub, place.sec, rings_, true)) {}
    ~OpenRings() { companion::closeRings(rings_); }
    OpenRings(const OpenRings&) = delete;
    OpenRings& operator=(const OpenRings&) = delete;
    PGPError error() const { return err_; }
    companion::Rings& rings() { return rings_; }
    PGPKeyDBObjRef find(const std::string& keyID) {
        for (const KeyInfo& k : companion::listKeys(rings_.keys))
            if (sameKeyID(k.keyID, keyID)) return k.key;
        return nullptr;
    }

private:
    companion::Rings rings_;
    PGPError err_;
};

PGPError createRings(const Place& place) {
    makeFolders(place.pub);
    makeFolders(place.sec);
    OpenRings open(place);
    PGPError err = open.error();
    if (!err) err = companion::saveRings(open.rings());
    if (!err && !fileExists(place.pub)) err = kPGPError_WriteFailed;
    if (!err) err = Prefs().setRings(place.pub, place.sec);
    return err;
}

// ---- the dialogs ------------------------------------------------------------

struct NewKey {
    std::string userID;
    int bits = 0;
    std::vector<char> passphrase;
};

INT_PTR CALLBACK newKeyProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        auto* result = reinterpret_cast<NewKey*>(GetWindowLongPtrA(dialog, DWLP_USER));
        switch (msg) {
            case WM_INITDIALOG: {
                SetWindowLongPtrA(dialog, DWLP_USER, lp);
                HWND sizes = GetDlgItem(dialog, IDC_SDKSC_NEWKEY_SIZE);
                for (int bits : kKeySizes)
                    SendMessageA(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(bits).c_str()));
                SendMessageA(sizes, CB_SETCURSEL, kDefaultKeySize, 0);
                return TRUE;
            }
            case WM_COMMAND:
                if (LOWORD(wp) == IDCANCEL) {
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                }
                if (LOWORD(wp) == IDOK && result) {
                    const std::string name = itemText(dialog, IDC_SDKSC_NEWKEY_NAME);
                    const std::string mail = itemText(dialog, IDC_SDKSC_NEWKEY_EMAIL);
                    const size_t at = mail.find('@');
                    if (name.empty() || name.find_first_of("<>") != std::string::npos) {
                        tell(dialog, "Type your full name (without < or >).");
                        SetFocus(GetDlgItem(dialog, IDC_SDKSC_NEWKEY_NAME));
                        return TRUE;
                    }
                    if (at == 0 || at == std::string::npos || at + 1 == mail.size() ||
                        mail.find_first_of("<> ") != std::string::npos) {
                        tell(dialog, "Type an e-mail address, such as name@example.org.");
                        SetFocus(GetDlgItem(dialog, IDC_SDKSC_NEWKEY_EMAIL));
                        return TRUE;
                    }
                    if (!newPassphraseOf(dialog, IDC_SDKSC_NEWKEY_PASS, IDC_SDKSC_NEWKEY_CONFIRM, result->passphrase))
                        return TRUE;
                    const LRESULT size = SendDlgItemMessageA(dialog, IDC_SDKSC_NEWKEY_SIZE, CB_GETCURSEL, 0, 0);
                    result->bits = kKeySizes[size >= 0 && size < 3 ? size : kDefaultKeySize];
                    result->userID = name + " <" + mail + ">";
                    EndDialog(dialog, IDOK);
                    return TRUE;
                }
                break;
            default: break;
        }
    } catch (...) {
        EndDialog(dialog, IDCANCEL);
    }
    return FALSE;
}

struct NewPassphrase {
    std::string userID;
    std::vector<char> old, fresh;
};

INT_PTR CALLBACK passphraseProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        auto* result = reinterpret_cast<NewPassphrase*>(GetWindowLongPtrA(dialog, DWLP_USER));
        switch (msg) {
            case WM_INITDIALOG:
                SetWindowLongPtrA(dialog, DWLP_USER, lp);
                SetDlgItemTextA(dialog, IDC_SDKSC_PASS_KEY, reinterpret_cast<NewPassphrase*>(lp)->userID.c_str());
                return TRUE;
            case WM_COMMAND:
                if (LOWORD(wp) == IDCANCEL) {
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                }
                if (LOWORD(wp) == IDOK && result) {
                    Secret old(dialog, IDC_SDKSC_PASS_OLD);
                    if (!newPassphraseOf(dialog, IDC_SDKSC_PASS_NEW, IDC_SDKSC_PASS_CONFIRM, result->fresh)) return TRUE;
                    result->old.assign(old.c_str(), old.c_str() + old.size() + 1);
                    EndDialog(dialog, IDOK);
                    return TRUE;
                }
                break;
            default: break;
        }
    } catch (...) {
        EndDialog(dialog, IDCANCEL);
    }
    return FALSE;
}

// ---- the window -------------------------------------------------------------

HINSTANCE moduleOf(HWND w) { return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(w, GWLP_HINSTANCE)); }
HWND listOf(HWND w) { return GetDlgItem(w, IDC_SDKSC_KEYS_LIST); }

void status(HWND w, const std::string& text) {
    SetDlgItemTextA(w, IDC_SDKSC_KEYS_STATUS, text.c_str());
    UpdateWindow(GetDlgItem(w, IDC_SDKSC_KEYS_STATUS));
}

std::string cell(HWND list, int row, int column) {
    char text[256] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

void setCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void addColumn(HWND list, int index, const char* title, int width) {
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<char*>(title);
    col.cx = width;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&col));
}

// The selected key of the user's own (with its secret key), by key ID; the
// user is told when there is none.
std::string selectedKeyPair(HWND w, std::string* userID = nullptr) {
    HWND list = listOf(w);
    const int row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    if (row < 0 || cell(list, row, 4) != "yes") {
        tell(w, "Select a key pair of your own (one with \"yes\" under Secret) first.", MB_ICONINFORMATION);
        return {};
    }
    if (userID) *userID = cell(list, row, 0);
    return cell(list, row, 1);
}

// Lists the keys of the rings as they are; false when they cannot be read.
PGPError refresh(HWND w) {
    PGPError err = kPGPError_NoErr;
    const Place place = ringsOfPrefs(err);
    if (err) return err;
    std::vector<KeyInfo> keys;
    {
        companion::Rings rings;
        err = companion::openRings(place.pub, place.sec, rings);
        if (!err) keys = companion::listKeys(rings.keys);
        for (auto& k : keys) k.key = nullptr;  // the rings close now
        companion::closeRings(rings);
    }
    if (err) return err;
    const std::string defaultID = Prefs().defaultKeyID();
    HWND list = listOf(w);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < keys.size(); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(keys[i].userID.c_str());
        const int row = int(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        setCell(list, row, 1, keys[i].keyID);
        setCell(list, row, 2, keys[i].type);
        setCell(list, row, 3, companion::sizeText(keys[i]));
        setCell(list, row, 4, keys[i].secret ? "yes" : "");
        setCell(list, row, 5, keys[i].secret && sameKeyID(keys[i].keyID, defaultID) ? "yes" : "");
    }
    status(w, std::to_string(keys.size()) + (keys.size() == 1 ? " key in " : " keys in ") + place.pub);
    return kPGPError_NoErr;
}

// Rings that are not there yet are made where the preferences say, when the
// user agrees; false when there are none to show.
bool offerRings(HWND w) {
    PGPError err = kPGPError_NoErr;
    const Place place = ringsOfPrefs(err);
    if (err || fileExists(place.pub)) return !err;
    const std::string question = "No key rings were found where the PGP preferences expect them:\r\n\r\n" + place.pub +
                                 "\r\n" + place.sec + "\r\n\r\nCreate new, empty key rings there?";
    if (MessageBoxA(w, question.c_str(), SDKSC_KEYS_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        status(w, "No key rings.");
        return false;
    }
    err = createRings(place);
    if (!err) return true;
    // A place the user cannot write to (an engine installed for all users):
    // the user's own folder, which the preferences then name.
    const Place own = userPlace();
    if (!own.pub.empty() && own.pub != place.pub) {
        const std::string instead = errorText(("The key rings could not be created at " + place.pub).c_str(), err) +
                                    "\r\n\r\nCreate them in your own folder instead?\r\n\r\n" + own.pub + "\r\n" +
                                    own.sec;
        if (MessageBoxA(w, instead.c_str(), SDKSC_KEYS_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            status(w, "No key rings.");
            return false;
        }
        err = createRings(own);
        if (!err) return true;
        tell(w, errorText(("The key rings could not be created at " + own.pub).c_str(), err));
    } else {
        tell(w, errorText(("The key rings could not be created at " + place.pub).c_str(), err));
    }
    status(w, "No key rings.");
    return false;
}

void newKeyPair(HWND w) {
    PGPError err = kPGPError_NoErr;
    const Place place = ringsOfPrefs(err);
    if (!err && !fileExists(place.pub) && !offerRings(w)) return;
    NewKey input;
    if (DialogBoxParamA(moduleOf(w), MAKEINTRESOURCEA(IDD_SDKSC_NEWKEY), w, newKeyProc,
                        reinterpret_cast<LPARAM>(&input)) != IDOK) {
        wipe(input.passphrase);
        return;
    }
    status(w, "Making the key pair of " + input.userID + "; this takes a moment...");
    HCURSOR before = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // hourglass
    std::string keyID;
    {
        OpenRings open(place);
        err = open.error();
        const auto& c = core();
        companion::Rings& r = open.rings();
        PGPKeyDBObjRef key = nullptr, sub = nullptr;
        if (!err)
            err = c.PGPGenerateKey(r.context, &key, c.PGPOKeyGenParams(r.context, kPGPPublicKeyAlgorithm_RSA, input.bits),
                                   c.PGPOKeyGenName(r.context, input.userID.data(), input.userID.size()),
                                   c.PGPOPassphrase(r.context, input.passphrase.data()), companion::ringsOption(r),
                                   c.PGPOLastOption(r.context));
        // The key signs; its subkey takes what is encrypted to it.
        if (!err)
            err = c.PGPGenerateSubKey(r.context, &sub, c.PGPOKeyGenMasterKey(r.context, key),
                                      c.PGPOKeyGenParams(r.context, kPGPPublicKeyAlgorithm_RSA, input.bits),
                                      c.PGPOPassphrase(r.context, input.passphrase.data()), c.PGPOLastOption(r.context));
        if (!err) keyID = companion::describeKey(key).keyID;
        if (!err) err = companion::saveRings(r);
    }
    wipe(input.passphrase);
    SetCursor(before);
    if (err) {
        tell(w, errorText("The key pair could not be made", err));
        refresh(w);
        return;
    }
    // The first key pair of a user signs by default.
    Prefs prefs;
    bool madeDefault = false;
    if (prefs.defaultKeyID().empty()) madeDefault = prefs.setDefaultKey(keyID) == kPGPError_NoErr;
    refresh(w);
    status(w, "Made the key pair " + keyID + (madeDefault ? ", your default key." : "."));
}

void changePassphrase(HWND w) {
    NewPassphrase input;
    const std::string keyID = selectedKeyPair(w, &input.userID);
    if (keyID.empty()) return;
    input.userID += "  " + keyID;
    if (DialogBoxParamA(moduleOf(w), MAKEINTRESOURCEA(IDD_SDKSC_PASSPHRASE), w, passphraseProc,
                        reinterpret_cast<LPARAM>(&input)) != IDOK) {
        wipe(input.old);
        wipe(input.fresh);
        return;
    }
    PGPError err = kPGPError_NoErr;
    const Place place = ringsOfPrefs(err);
    if (!err) {
        OpenRings open(place);
        err = open.error();
        const auto& c = core();
        companion::Rings& r = open.rings();
        PGPKeyDBObjRef key = err ? nullptr : open.find(keyID);
        if (!err && !key) err = kPGPError_ItemNotFound;
        if (!err)
            err = c.PGPChangePassphrase(key, c.PGPOPassphrase(r.context, input.old.data()),
                                        c.PGPOPassphrase(r.context, input.fresh.data()), c.PGPOLastOption(r.context));
        if (!err) err = companion::saveRings(r);
    }
    wipe(input.old);
    wipe(input.fresh);
    if (err == kErrBadPassphrase) tell(w, "The old passphrase is not the passphrase of this key. Nothing was changed.");
    else if (err) tell(w, errorText("The passphrase could not be changed", err));
    else {
        status(w, "The passphrase of " + keyID + " is changed.");
        tell(w, "The passphrase of " + keyID + " is changed.", MB_ICONINFORMATION);
    }
}

void setDefault(HWND w) {
    const std::string keyID = selectedKeyPair(w);
    if (keyID.empty()) return;
    const PGPError err = Prefs().setDefaultKey(keyID);
    if (err) {
        tell(w, errorText("The default key could not be saved in the PGP preferences", err));
        return;
    }
    refresh(w);
    status(w, keyID + " is your default key.");
}

void layout(HWND w) {
    RECT rc;
    GetClientRect(w, &rc);
    constexpr int kStatusHeight = 20;
    SetWindowPos(listOf(w), nullptr, 0, 0, rc.right, std::max(0L, rc.bottom - kStatusHeight), SWP_NOZORDER);
    SetWindowPos(GetDlgItem(w, IDC_SDKSC_KEYS_STATUS), nullptr, 4, rc.bottom - kStatusHeight + 3, rc.right - 8,
                 kStatusHeight - 4, SWP_NOZORDER);
}

HMENU makeMenu() {
    HMENU bar = CreateMenu();
    HMENU keys = CreatePopupMenu();
    AppendMenuA(keys, MF_STRING, IDM_SDKSC_KEYS_NEW, "&New Key Pair...");
    AppendMenuA(keys, MF_STRING, IDM_SDKSC_KEYS_PASSPHRASE, "Change &Passphrase...");
    AppendMenuA(keys, MF_STRING, IDM_SDKSC_KEYS_DEFAULT, "Set as &Default Key");
    AppendMenuA(keys, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(keys, MF_STRING, IDM_SDKSC_KEYS_REFRESH, "&Refresh");
    AppendMenuA(keys, MF_STRING, IDM_SDKSC_KEYS_CLOSE, "&Close");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(keys), "&Keys");
    return bar;
}

LRESULT CALLBACK windowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        switch (msg) {
            case WM_SIZE: layout(w); return 0;
            case WM_COMMAND:
                switch (LOWORD(wp)) {
                    case IDM_SDKSC_KEYS_NEW: newKeyPair(w); return 0;
                    case IDM_SDKSC_KEYS_PASSPHRASE: changePassphrase(w); return 0;
                    case IDM_SDKSC_KEYS_DEFAULT: setDefault(w); return 0;
                    case IDM_SDKSC_KEYS_REFRESH: refresh(w); return 0;
                    case IDM_SDKSC_KEYS_CLOSE: DestroyWindow(w); return 0;
                    default: break;
                }
                break;
            case WM_DESTROY:
                if (w == g_window) g_window = nullptr;
                return 0;
            default: break;
        }
    } catch (...) {
        // The window ends its event; it stays usable.
    }
    return DefWindowProcA(w, msg, wp, lp);
}

HWND makeWindow(HINSTANCE module) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND w = CreateWindowExA(0, SDKSC_KEYS_CLASS, SDKSC_KEYS_CAPTION, WS_OVERLAPPEDWINDOW, 80, 80, 680, 320, nullptr,
                             makeMenu(), module, nullptr);
    if (!w) return nullptr;
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0,
                                0, 10, 10, w, reinterpret_cast<HMENU>(IDC_SDKSC_KEYS_LIST), module, nullptr);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    addColumn(list, 0, "User ID", 230);
    addColumn(list, 1, "Key ID", 140);
    addColumn(list, 2, "Type", 60);
    addColumn(list, 3, "Size", 100);
    addColumn(list, 4, "Secret", 55);
    addColumn(list, 5, "Default", 55);
    HWND line = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0, 10, 10, w,
                                reinterpret_cast<HMENU>(IDC_SDKSC_KEYS_STATUS), module, nullptr);
    SendMessageA(line, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    layout(w);
    return w;
}

}  // namespace

void registerClass(HINSTANCE module) {
    WNDCLASSA wc = {};
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpfnWndProc = windowProc;
    wc.lpszClassName = SDKSC_KEYS_CLASS;
    RegisterClassA(&wc);
}

void unregisterClass(HINSTANCE module) {
    if (g_window && IsWindow(g_window)) DestroyWindow(g_window);
    UnregisterClassA(SDKSC_KEYS_CLASS, module);
}

PGPError show(HINSTANCE module) {
    if (!core().complete) return kPGPError_EngineNotLoaded;
    const bool fresh = !g_window || !IsWindow(g_window);
    if (fresh) g_window = makeWindow(module);
    if (!g_window) return kErrUnknown;
    ShowWindow(g_window, SW_SHOW);
    SetForegroundWindow(g_window);
    if (!offerRings(g_window)) return kPGPError_NoErr;
    const PGPError err = refresh(g_window);
    if (err && fresh) DestroyWindow(g_window);
    return err;
}

}  // namespace keymanager

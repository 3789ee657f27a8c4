// The string library as its consumers see it: Lumvika.dll loaded by name,
// texts and GetErrorStr bound by ordinal.
#include <windows.h>

#include <cstdio>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/loader.h"
#include "strings/text_list.h"
#ifndef ORV_STUB_LOADER
#include "tests/support/fake_sdk_env.h"
#endif

namespace {

using TextFn = const char*(WINAPI*)();
using GetErrorStrFn = int32_t(WINAPI*)(int32_t, const char**);

// --- Loading, the one place that knows how the library is found -----------

HMODULE g_lumvika = nullptr;
std::string g_loadFailure;

// A start that hits a fatal engine condition shows a box and waits; answering
// it lets the load fail at once instead of hanging the run. The thread must be
// running before the load takes the loader lock, or it would wait for it.
BOOL CALLBACK KeepLongestStatic(HWND child, LPARAM found) {
    char cls[16] = "", text[512] = "";
    GetClassNameA(child, cls, sizeof cls);
    GetWindowTextA(child, text, sizeof text);
    auto& best = *reinterpret_cast<std::string*>(found);
    if (lstrcmpiA(cls, "Static") == 0 && std::strlen(text) > best.size()) best = text;
    return TRUE;
}

std::string LongestStaticText(HWND box) {
    std::string longest;
    EnumChildWindows(box, KeepLongestStatic, reinterpret_cast<LPARAM>(&longest));
    return longest;
}

class FatalBoxAnswerer {
public:
    FatalBoxAnswerer() : thread_([this] { Run(); }) {
        while (!running_) Sleep(1);
    }
    ~FatalBoxAnswerer() { Stop(); }
    // The text of the box answered, once the thread has ended.
    std::string Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

private:
    void Run() {
        running_ = true;
        while (!stop_) {
            if (HWND box = FindWindowA("#32770", orv::loader::kFatalTitle)) {
                // The box may still be filling its controls when first seen.
                for (int tries = 0; tries < 40 && seen_.empty(); ++tries) {
                    seen_ = LongestStaticText(box);
                    if (seen_.empty()) Sleep(25);
                }
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(50);
        }
    }
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    std::string seen_;
    std::thread thread_;
};

// Binds the PGP SDK too: the directory it is found in belongs here.
HMODULE LoadLumvika() {
    if (g_lumvika || !g_loadFailure.empty()) return g_lumvika;
#ifndef ORV_STUB_LOADER
    if (!orv::test::UseFakeSdk("r7")) {
        g_loadFailure = "no engine for the library's start: " + orv::test::FakeSdkDir("r7") + " is missing";
        return nullptr;
    }
#endif
    FatalBoxAnswerer answerer;
    SetLastError(0);
    g_lumvika = LoadLibraryA("Lumvika.dll");
    DWORD error = GetLastError();
    std::string box = answerer.Stop();
    if (!g_lumvika) {
        std::ostringstream why;
        why << "LoadLibraryA(\"Lumvika.dll\") failed with error " << error;
        if (!box.empty()) why << "; the PGP SDK loader stopped with: " << box;
        g_loadFailure = why.str();
    }
    return g_lumvika;
}

[[maybe_unused]] void ReleaseLumvika() {
    if (g_lumvika) FreeLibrary(g_lumvika);
    g_lumvika = nullptr;
}

class Lumvika : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLumvika();
        ASSERT_NE(module_, nullptr) << g_loadFailure;
    }

    FARPROC ByOrdinal(int number) const { return GetProcAddress(module_, MAKEINTRESOURCEA(number)); }

    std::string Text(int number) const {
        auto fn = reinterpret_cast<TextFn>(reinterpret_cast<void (*)()>(ByOrdinal(number)));
        if (!fn) {
            ADD_FAILURE() << "no export at ordinal " << number;
            return "<missing>";
        }
        const char* text = fn();
        if (!text) {
            ADD_FAILURE() << "text " << number << " is a null pointer";
            return "<null>";
        }
        return text;
    }

    std::string ErrorText(int32_t err) const {
        auto fn = reinterpret_cast<GetErrorStrFn>(reinterpret_cast<void (*)()>(ByOrdinal(372)));
        if (!fn) {
            ADD_FAILURE() << "no GetErrorStr at ordinal 372";
            return "<missing>";
        }
        const char* text = nullptr;
        EXPECT_EQ(fn(err, &text), 0) << "GetErrorStr(" << err << ")";
        if (!text) {
            ADD_FAILURE() << "GetErrorStr(" << err << ") stored no text";
            return "<null>";
        }
        return text;
    }

    GetErrorStrFn GetErrorStr() const {
        return reinterpret_cast<GetErrorStrFn>(reinterpret_cast<void (*)()>(ByOrdinal(372)));
    }

    HMODULE module_ = nullptr;
};

std::string Fallback(int32_t err) { return "Undescribed PGP error " + std::to_string(err); }

struct Entry {
    int number;
    const char* name;
};

#define ORV_ENTRY(number, name, text) Entry{number, #name},
const std::vector<Entry> kTable = {ORV_ALL_TEXTS(ORV_ENTRY)};
#undef ORV_ENTRY

// --- Exports ---------------------------------------------------------------

TEST_F(Lumvika, EveryTextNumberIsExportedUnderItsNameAndOrdinal) {
    ASSERT_EQ(kTable.size(), 369u);
    for (int i = 0; i < 369; ++i) {
        const Entry& entry = kTable[i];
        ASSERT_EQ(entry.number, i + 1) << "the table skips or repeats a number at " << entry.name;
        FARPROC byOrdinal = ByOrdinal(entry.number);
        FARPROC byName = GetProcAddress(module_, entry.name);
        EXPECT_NE(byOrdinal, nullptr) << entry.number << " " << entry.name;
        EXPECT_EQ(byName, byOrdinal) << entry.number << " " << entry.name;
    }
}

TEST_F(Lumvika, GetErrorStrIsOrdinal372AndNothingElseIsExported) {
    EXPECT_NE(ByOrdinal(372), nullptr);
    EXPECT_EQ(GetProcAddress(module_, "GetErrorStr"), ByOrdinal(372));
    for (int unassigned : {0, 370, 371, 373, 374, 400, 1000})
        EXPECT_EQ(ByOrdinal(unassigned), nullptr) << "ordinal " << unassigned;
    // Decorated stdcall names would break binding by plain name.
    EXPECT_EQ(GetProcAddress(module_, "ERROR_TITLE@0"), nullptr);
    EXPECT_EQ(GetProcAddress(module_, "_GetErrorStr@8"), nullptr);
}

std::string DefPath() {
    std::string path = ORV_LUMVIKA_DEF;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;  // Wine's drive for the Unix root
    return path;
}

TEST(LumvikaDef, AgreesWithTheTextTable) {
    std::ifstream def(DefPath());
    ASSERT_TRUE(def) << DefPath();
    std::map<std::string, int> exports;
    std::set<int> ordinals;
    std::string line;
    bool library = false, section = false;
    while (std::getline(def, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string name, at;
        if (!(words >> name)) continue;
        if (name == "LIBRARY") {
            std::string value;
            words >> value;
            library = value == "Lumvika";
            continue;
        }
        if (name == "EXPORTS") {
            section = true;
            continue;
        }
        ASSERT_TRUE(section) << "export outside EXPORTS: " << line;
        ASSERT_TRUE(words >> at && at.size() > 1 && at[0] == '@') << line;
        int ordinal = std::stoi(at.substr(1));
        EXPECT_TRUE(ordinals.insert(ordinal).second) << "ordinal used twice: " << line;
        EXPECT_TRUE(exports.emplace(name, ordinal).second) << "name used twice: " << line;
    }
    EXPECT_TRUE(library);
    EXPECT_EQ(exports.size(), 370u);
    for (const Entry& entry : kTable) {
        auto found = exports.find(entry.name);
        ASSERT_NE(found, exports.end()) << entry.name << " is missing in the .def";
        EXPECT_EQ(found->second, entry.number) << entry.name;
    }
    ASSERT_EQ(exports.count("GetErrorStr"), 1u);
    EXPECT_EQ(exports["GetErrorStr"], 372);
}

// --- Texts -----------------------------------------------------------------

struct QuotedText {
    int number;
    const char* name;
    const char* text;
};

// Every text quoted where the system shows it.
const QuotedText kQuotedTexts[] = {
    {1, "ERROR_TITLE", "KVSEC-Error:"},
    {2, "WARN_TITLE", "KVSEC-Warning:"},
    {3, "INFO_TITLE", "KVSEC-Info:"},
    {4, "CONF_TITLE", "KVSEC-Confirm:"},
    {5, "SETUP", "User-Setup successfully finished for user: "},
    {6, "UNINST", "Uninstallation successfully finished for user: "},
    {7, "UPDATE",
     "Copy updated configuration files for all users\r\n(may fail depending on your access rights)?"},
    {8, "FAILURE", "Update failed for user: "},
    {9, "FFF_EXT", ".fff"},
    {10, "NO_USERS", "No additional users found"},
    {11, "NO_PGP", "PGP not found!"},
    {13, "MAN_ID", "Launch Orvane"},
    {49, "_LANGUAGE", "en"},
    {50, "LANG_WARN",
     "The installed version of Orvane only works correctly\r\nwith the ENGLISH version of Pegasus Mail!"},
    {64, "CONF_SEL",
     "You are trying to send out encrypted and unencrypted messages containing the same data\r\n"
     "at the same time, screwing up the purpose of encryption in general.\r\n"
     "Do you want to send all messages unencrypted instead"},
    {88, "ENC_BOX", "Encrypt..."},
    {91, "SEND_LBL", "Send"},
    {96, "CHANGE_PATH",
     "If you want to use Orvane\r\nyou have to restart Pegasus Mail.\r\nRestart program now"},
    {100, "CHANGE_USER",
     "If you want to use Orvane\r\nyou have to restart Pegasus Mail.\r\nRestart program now"},
    {101, "USER_ADMIN",
     "If you want to use Orvane\r\nyou have to take the following steps after creating a new user:\r\n"
     "1. Select the new user in Pegasus Mail (without restarting it);\r\n"
     "2. Shut down Tolvane if it is running;\r\n"
     "3. Launch User-Setup via the respective entry in Windows' Startmenu\r\n"
     "(by default under \"Program Files\\Fennick\");\r\n"
     "4. Restart Pegasus Mail with the new user."},
    {103, "AUTO_ENABLE",
     "You have to enable \"Auto Encryption\" for using this button.\r\nDo you want to do so now"},
    {109, "BAD_SIG", "bad signature"},
    {110, "KEY_DIS", "disabled key"},
    {111, "KEY_EXP", "expired key"},
    {112, "KEY_REV", "revoked key"},
    {113, "KEY_UNK", "unknown key"},
    {114, "_AND", " and "},
    {115, "FILE_MISS", "Cannot find the following file(s):"},
    {116, "_RETRY", "Retry"},
    {117, "_GOOD", "Good"},
    {118, "_BAD", "Bad"},
    {119, "SIGN_FROM", " signature from"},
    {120, "NO_KEY", "No key"},
    {121, "NO_ALG", "Unknown algorithm"},
    {122, "FOR_SIGN", " for signature"},
    {123, "ENTER_PHRASE", "Enter your passphrase:"},
    {124, "KEYS_ADDED", " key(s) added"},
    {125, "KEYS_REMOVED", " key(s) removed"},
    {126, "CONFIRM_DEL", "Delete key(s)"},
    {128, "NEWPATH_ERR", "Cannot set program paths"},
    {130, "FILE_CHECK_ERR", "Cannot retrieve path settings"},
    {131, "NO_FILE", "File not found"},
    {132, "READ_ERROR", "Error reading data"},
    {133, "WRITE_ERROR", "Error writing data"},
    {134, "LOAD_CFG", "Loading configuration data ..."},
    {135, "_SELECT", "Select "},
    {136, "DATA_FILE", "-file"},
    {137, "SAVE_DATA", "Save changed data"},
    {138, "SAVE_ERROR", "Cannot save PGP-Config-File\r\n(check file paths)"},
    {139, "FORM_CAPTION", "Configuration"},
    {140, "MY_NAME", "Default Sign Key:"},
    {141, "ALWAYS_DEF", "Always Use &Default Key"},
    {142, "PELLATCH", "Auto &Encryption"},
    {143, "CHECK_KEY", "Auto Key &Check"},
    {144, "CHECK_SIG", "Remove Signature &Data"},
    {145, "SERV_LOOK", "Auto Server &Look-up"},
    {146, "NOT_SHOW", "&No Signature Info"},
    {147, "INTERN_SHOW", "In &Reader Window"},
    {148, "EXTERN_SHOW", "In &Separate Window"},
    {149, "HIDE_KEY_DLG", "Auto &Key Search"},
    {150, "ENC_ATTACH", "Encrypt A&ttachments"},
    {151, "WIPE_COUNT", "Wipe Count"},
    {152, "STORE_PASS", "Store Passphrase"},
    {153, "WARN_PASS",
     "Storing the passphrase is a security risk if any unauthorized person can access\r\n"
     "your computer either directly or via an open network/internet connection"},
    {154, "_OFF", "(disabled)"},
    {155, "_INFINITE", "(unlimited)"},
    {156, "_SECONDS", "(seconds)"},
    {157, "CONF_ENC", "Con&firm Encryption"},
    {158, "MIX_WARN", "Mixed &Options Warning"},
    {159, "ADK_WARN", "&ADK Warning"},
    {160, "_FILE", " File:"},
    {161, "_GROUPS", "Groups"},
    {162, "_SERVER", "Keyserver:"},
    {163, "_COMMENT", "Comment:"},
    {164, "PGP_OPTIONS", "PGP Defaults"},
    {165, "WPM_OPTIONS", "Pegasus/Toolbar"},
    {166, "PLUG_OPTIONS", "Plugin Options"},
    {167, "SCAN_LINES", "Number of lines to scan"},
    {168, "CHECK_BTN", "Check &length"},
    {169, "HEADER_LEN", "Estimated header length: "},
    {170, "DO_ADJUST", " - set \"Number of lines to scan ...\" to "},
    {171, "NO_ADJUST", " - no adjustment required"},
    {172, "EDIT_MARGIN", "Right margin in editor"},
    {173, "MIME_ENCLOSE", "E&nclose Attachments"},
    {174, "STD_COLOR", "Standard Colors"},
    {175, "NO_CHANGE",
     "These parameters can only be changed if the program has been started from within Pegasus Mail!"},
    {176, "ENC_SIG", "No button\nEncrypt > send\nSign > send\nEncrypt + Sign > send\nMenu options"},
    {177, "SHOW_W_P", "&Wipe passphrase"},
    {178, "SHOW_E_S", "Encrypt/Sign:"},
    {179, "SHOW_DEC", "&Decrypt"},
    {180, "SHOW_VER", "&Verify signature"},
    {181, "SHOW_MAN", "&Key management"},
    {182, "SHOW_PGPKEYS", "&PGPkeys"},
    {184, "OK_HINT", "Accept"},
    {185, "CONFIG_HELP", "General help"},
    {186, "CANCEL_HINT", "Cancel"},
    {187, "ED_ENC_LBL", "E&ncrypt..."},
    {188, "ED_FWD_TEXT", "(Fwd)"},
    {189, "ED_MSG_CAP", "Message"},
    {190, "ED_REPLY_CAP", "Reply"},
    {191, "COPY_MESSAGE",
     "Delete message and copy data to a new message\r\n"
     "(otherwise the message will be sent UNENCRYPTED/UNSIGNED)?"},
    {192, "TO_DELETE", "(delete)"},
    {193, "SUBJ_CANCEL", "(cancelled)"},
    {194, "TO_HEADER", "To:"},
    {195, "SUBJ_HEADER", "Subj:"},
    {196, "CC_HEADER", "Cc:"},
    {197, "BCC_HEADER", "Blind CC:"},
    {198, "REPLY_HEADER", "Send replies to:"},
    {199, "ID_HEADER", "Identity:"},
    {200, "CONF_READ", "Confirm reading"},
    {201, "CONF_DELIVER", "Confirm delivery"},
    {202, "COPY_SELF", "Copy self"},
    {203, "_URGENT", "Urgent"},
    {204, "RICH_TEXT", "Rich text"},
    {205, "_SIGNATURE", "Sig:"},
    {206, "USE_MIME", "Use MIME features"},
    {207, "RECIP_ADK", "The recipient's key has ADK(s)! Continue anyway?"},
    {208, "CONF_MIME",
     "Non-MIME messages cannot be encrypted/signed.\r\nDo you want to send UNENCRYPTED/UNSIGNED\r\n"
     "(attachments might become unreadable)"},
    {209, "BASE64_ERROR", "BASE64 error"},
    {210, "_CONTINUE", "Con&tinue"},
    {211, "_SELMSG", "Select:"},
    {212, "_SELCOPY", "&Copy"},
    {213, "_SELSEND", "&Send"},
    {214, "MSG_COPIED", "Message copied - please check \"Attachments\" and \"Special\" settings"},
    {215, "DEF_IDENTITY", "<DEFAULT>"},
    {216, "_CLIPBOARD", "clipboard"},
    {217, "KIND_ATTACH", "attachment(s)"},
    {218, "KIND_MESSAGE", "message"},
    {219, "_UNENC", " unencrypted "},
    {220, "_UNSIGN", " unsigned "},
    {221, "UNSIGN_UNENC", " unsigned and unencrypted "},
    {222, "_SEND", "Send"},
    {223, "EXTRA_DATA", "UNSIGNED data found:"},
    {224, "LIST_REMOVE", "Remove associated AutoList entries"},
    {226, "NO_KEY_FOUND", "No key found"},
    {227, "NO_WINDOW", "No editor window found:"},
    {228, "PUBKEY_FROM", "Public key(s) of "},
    {229, "COPY_KEY_TO", "copied to "},
    {230, "COPY_DATA", "Copy data to clipboard"},
    {231, "ENC_BEG", "Encrypting"},
    {232, "DEC_BEG", "Decrypting/Verifying"},
    {233, "SIGN_BEG", "Signing"},
    {234, "_CANCELLED", "cancelled"},
    {235, "_FINISHED", "finished"},
    {238, "DEC_MSG", "Decrypt message"},
    {239, "DEC_ATT", "Decrypt attachment"},
    {240, "SIGN_MSG", "Sign message"},
    {241, "SIGN_ATT", "Sign attachment"},
    {242, "NO_MEM", "Out of memory"},
    {243, "NO_NEW", "No new addresses found"},
    {244, "FOR_AUTO", " for AutoList or cancel"},
    {245, "FOR_ADDR", " for "},
    {246, "SEL_KEY", "Select key for"},
    {247, "FOR_RECIP", "Recipient: "},
    {248, "SET_ADDR", "Set address options"},
    {249, "SET_HINT", "Doubleclick or press [Space]:"},
    {251, "HELP_HINT", "Help [F1]"},
    {252, "FINDADDR_HINT", "Find address [Ctrl+F] or [F3]"},
    {253, "DELADDR_HINT", "Delete address [Del]"},
    {254, "DEL_ADDR_BEG", "Delete \""},
    {255, "DEL_ADDR_END", "\""},
    {256, "ADD_COL_HINT", "Add address to AutoList"},
    {257, "ENC_COL_HINT", "Encrypt messages to the following recipient"},
    {258, "SIG_COL_HINT", "Sign messages to the following recipient"},
    {259, "ASK_COL_HINT", "Ask whether to encrypt and/or sign"},
    {260, "DISABLE_COL_HINT", "Disable the key completely for the address"},
    {261, "IN_VAL", "invalid"},
    {262, "_MISS", "missing"},
    {263, "MIME_SAVE", "View/save PGP/MIME attachments:"},
    {264, "MVIEW_HINT", "&View"},
    {265, "MSAVE_HINT", "&Save"},
    {266, "MCLOSE_HINT", "&Close"},
    {267, "PUBLIC_KEY", "Select public key for "},
    {269, "_GROUP", "Group"},
    {270, "FROM_SERVER", "Key from &server"},
    {271, "SEL_AND_ADD", "Use and add to &AutoList"},
    {272, "SELECT_CANCEL", "Select item or cancel"},
    {273, "ADD_ADDR", "Add address(es) to AutoList"},
    {274, "ADD_KEYS", "Import key(s)"},
    {275, "DEL_KEYS", "Delete key(s)"},
    {276, "EXPORT_KEYS", "Export key(s)"},
    {277, "SELECT_ADDR", "Select address(es):"},
    {278, "ADDR_NAME", "Address (Name)"},
    {279, "BOOK_NAME", "Book"},
    {280, "ADD_HINT", "&Add public key(s)"},
    {281, "DEL_HINT", "&Del public key(s)"},
    {282, "MAN_HINT", "&Manage key rings"},
    {283, "X_HINT", "E&xtract public key(s)"},
    {284, "FP_HINT", "Show &fingerprint"},
    {285, "EXIT_HINT", "&Exit keymanager"},
    {286, "PIC_HINT",
     "[F1] for help / left mouse button: version info - right mouse button: configuration"},
    {287, "FROM_CLIPBOARD", "Key(s) from &clipboard"},
    {288, "TO_CLIPBOARD", "Key(s) to &clipboard"},
    {289, "NOT_ENC", "No valid PGP encryption"},
    {290, "WRAP_HINT", "&Wrap long lines"},
    {291, "SAVE_HINT", "Encrypt and &save text to file"},
    {292, "FOLDER_HINT", "&Open message folder"},
    {293, "CLOSE_HINT", "&Close viewer"},
    {294, "LOAD_ERR", "Error loading text"},
    {295, "VIEWER_ERR", "Error decrypting code"},
    {296, "LOAD_FOLDER", "Loading folder data ..."},
    {297, "SAVE_ATTACH", "These data don't seem to be textual,\r\ndo you want to save them to a file"},
    {298, "ATTACH_SAVED", "Data have been saved to"},
    {299, "LAUNCH_ATTACH", "Load or execute attachment"},
    {300, "ENC_TEXT", "Encrypt text before saving"},
    {301, "TEXT_SUCCESS", "Text successfully encrypted and saved to"},
    {302, "TEXT_SAVED", "Text has been saved to"},
    {303, "SAVE_TEXT", "Text length exceeds the viewer's capacity,\r\ndo you want to save it to a file"},
    {304, "_ENCRYPTED", " ENCRYPTED "},
    {305, "_DECRYPTED", " DECRYPTED "},
    {306, "_SAVE", "Save"},
    {307, "FILE_AS", "file as:"},
    {308, "_ENCRYPT", "encrypt"},
    {309, "_DECRYPT", "decrypt"},
    {310, "_TRYING", "Trying to "},
    {311, "_EXPLORER", "[Ctrl] + [E] starts Explorer ..."},
    {312, "OUT_OF", " out of "},
    {313, "LEAVE_UNENC", "You're leaving files UNENCRYPTED, continue closing"},
    {314, "_LEAVE", "Leave "},
    {315, "_UNMOD", " unmodified"},
    {316, "AUTO_MODE",
     "Use same file extension for all files in list\r\n"
     "(will overwrite possibly existing files with these names)"},
    {317, "OUTPUT_IN", "Output in:"},
    {318, "DEL_SOURCE", "Delete source"},
    {319, "IS_PROTECTED", "is protected!"},
    {320, "DEL_ANYWAY", "Delete anyway"},
    {321, "CANNOT_DEL", "Cannot delete"},
    {322, "LENGTH_ERROR", "Text length exceeds viewer's capacity"},
    {323, "BINARY_ERROR", "File contains binary data"},
    {324, "CONFIG_HINT", "&Configuration"},
    {325, "WORDWRAP_HINT", "&Wrap long lines"},
    {326, "ENC_HINT", "&Encrypt"},
    {327, "DEC_HINT", "&Decrypt"},
    {328, "FF_HINT", "Find text [Ctrl+F]"},
    {329, "FN_HINT", "Find again [Ctrl+G]"},
    {330, "SEARCH_FOR", "Search for:"},
    {331, "CASE_SENS", "&Case sensitive"},
    {332, "WHOLE_WORD", "&Whole words"},
    {333, "NOT_FOUND", "Text not found"},
    {334, "RE_SEARCH", ", restart on first line"},
    {335, "_WARN", "Warning:"},
    {336, "_ERROR", "Error:"},
    {337, "_INFO", "Info:"},
    {338, "_CANCEL", "&Cancel"},
    {339, "_CONFIRM", "Confirm:"},
    {340, "_YES", "Yes"},
    {341, "_NO", "No"},
    {342, "MM_BODY", "Message body"},
    {343, "NO_HELP", "not found"},
    {344, "_FILES",
     "Text (*.txt, *.rtf, *.doc, *.wri)|*.txt;*.rtf;*.doc;*.wri\r\n"
     "PGP (*.asc, *.pgp, *.sig, *.gpg)|*.asc;*.pgp;*.sig;*.gpg\r\n"
     "Keys (*.asc, *.pkr, *.pubkr, *.gpg)|*.asc;*.pkr;*.pubkr;*.gpg\r\n"
     "All (*.*)|*.*"},
    {345, "ALL_FILES", "All (*.*)|*.*"},
    {346, "OPEN_FILE", "OPEN Input File:"},
    {347, "SAVE_FILE", "SAVE Output as:"},
    {348, "RE_START",
     "You have to restart Pegasus Mail for changes to take effect.\r\nRestart program now"},
};

TEST_F(Lumvika, QuotedTextsAreExact) {
    for (const QuotedText& quoted : kQuotedTexts) {
        EXPECT_EQ(Text(quoted.number), quoted.text) << quoted.number << " " << quoted.name;
        EXPECT_EQ(GetProcAddress(module_, quoted.name), ByOrdinal(quoted.number))
            << quoted.name << " is not the export at ordinal " << quoted.number;
    }
}

// The key-attribute tables the main library indexes by the engine's values.
struct AttributeTable {
    const char* what;
    int firstNumber;
    std::vector<const char*> texts;  // by engine value from the table's first index
};

const AttributeTable kAttributeTables[] = {
    {"key type 0-1", 349, {"Public Key", "Secret Key"}},
    {"trust 0-7",
     351,
     {"undefined trust", "unknown trust", "never trust", "", "", "marginal trust", "complete trust",
      "ultimate trust"}},
    {"validity 0-3", 359, {"unknown validity", "no validity", "marginal validity", "complete validity"}},
    {"algorithm 0-3", 363, {"Invalid algorithm", "RSA Key", "RSA - encrypt only", "RSA - sign only"}},
    {"algorithm 16-18", 367, {"DH Key", "DSS Key", "DH/DSS Key"}},
};

TEST_F(Lumvika, KeyAttributeTablesFollowTheEngineValues) {
    for (const AttributeTable& table : kAttributeTables)
        for (size_t i = 0; i < table.texts.size(); ++i)
            EXPECT_EQ(Text(table.firstNumber + int(i)), table.texts[i]) << table.what << " index " << i;
}

TEST_F(Lumvika, OnlyTheThreeUnusedNumbersHaveEmptyTexts) {
    const std::set<int> empty = {33, 354, 355};
    for (int number = 1; number <= 369; ++number) {
        std::string text = Text(number);
        if (empty.count(number))
            EXPECT_EQ(text, "") << number;
        else
            EXPECT_FALSE(text.empty()) << number << " has no text";
    }
}

TEST_F(Lumvika, LineBreaksAreCrLfExceptTheDropDownItems) {
    int multiLine = 0;
    for (int number = 1; number <= 369; ++number) {
        std::string text = Text(number);
        for (size_t i = 0; i < text.size(); ++i) {
            if (number == 176) {
                EXPECT_NE(text[i], '\r') << "ENC_SIG holds a CR at " << i;
                continue;
            }
            if (text[i] == '\n') {
                EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << number << ": bare LF at " << i;
            }
            if (text[i] == '\r') {
                EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << number << ": bare CR at " << i;
            }
        }
        if (number != 176 && text.find("\r\n") != std::string::npos) ++multiLine;
    }
    // UPDATE, LANG_WARN, CONF_SEL, CHANGE_PATH, CHANGE_USER, USER_ADMIN, AUTO_ENABLE, WARN_PASS,
    // SAVE_ERROR, COPY_MESSAGE, CONF_MIME, SAVE_ATTACH, SAVE_TEXT, AUTO_MODE, _FILES, RE_START
    // and the AutoList's directory question.
    EXPECT_GE(multiLine, 16);
    std::string items = Text(176);
    EXPECT_EQ(std::count(items.begin(), items.end(), '\n'), 4) << "ENC_SIG lists five items";
}

TEST_F(Lumvika, TextsStayAtOnePlace) {
    // The plug-in calls each function twice and keeps the second pointer.
    for (int number = 1; number <= 369; ++number) {
        auto fn = reinterpret_cast<TextFn>(reinterpret_cast<void (*)()>(ByOrdinal(number)));
        ASSERT_NE(fn, nullptr) << number;
        EXPECT_EQ(fn(), fn()) << number;
    }
}

std::string WithoutFirstAmpersand(std::string text) {
    size_t amp = text.find('&');
    if (amp != std::string::npos) text.erase(amp, 1);
    return text;
}

std::string CutBefore(const std::string& text, const std::string& marker) {
    return text.substr(0, text.find(marker));
}

// The plug-in derives menu items and tooltips from these texts by rule; a
// tooltip field holds at most 63 characters.
TEST_F(Lumvika, ToolbarAndMenuTextsSuitTheirDerivations) {
    std::string both = Text(104);  // E_S_BTN
    size_t slash = both.find('/');
    size_t blank = both.find(' ');
    ASSERT_NE(slash, std::string::npos) << both;
    ASSERT_NE(blank, std::string::npos) << both;
    ASSERT_LT(slash, blank) << "the part from \"/\" to the first blank names the second operation";
    ASSERT_NE(both.find(" ("), std::string::npos) << both;
    std::string encryptOnly = CutBefore(both.substr(0, slash) + both.substr(blank), " (");
    std::string signOnly = CutBefore(both.substr(slash + 1), " (");
    EXPECT_EQ(encryptOnly, "Encrypt message");
    EXPECT_EQ(signOnly, "Sign message");

    std::string verify = Text(106);  // VER_BTN gets "&" before its first "r"
    EXPECT_NE(verify.find('r'), std::string::npos) << verify;
    EXPECT_EQ(verify.find('&'), std::string::npos) << verify;
    std::string keys = Text(108);  // EXEC_PGPKEYS_BTN gets "&" after its first blank
    EXPECT_NE(keys.find(' '), std::string::npos) << keys;
    EXPECT_EQ(keys.find('&'), std::string::npos) << keys;
    // DEC_HEAD is shared by the tooltip, so the accelerators sit in the items.
    EXPECT_EQ(Text(81).find('&'), std::string::npos);
    EXPECT_NE(Text(82).find('&'), std::string::npos);
    EXPECT_NE(Text(83).find('&'), std::string::npos);

    const std::string tooltips[] = {
        WithoutFirstAmpersand(Text(47)), WithoutFirstAmpersand(Text(74)), encryptOnly, signOnly,
        CutBefore(both, " ("),           both,                            Text(81) + Text(105),
        verify,                          Text(107),                       keys,
    };
    for (const std::string& tip : tooltips) {
        EXPECT_FALSE(tip.empty());
        EXPECT_LE(tip.size(), 63u) << tip;
    }
    EXPECT_EQ(WithoutFirstAmpersand(Text(47)), "Edit AutoList");  // _EDIT, AutoList item 0x1006 + n
    // The hint of a frontend item is text (identifier - 0x2000) + 11.
    EXPECT_EQ(Text(0x2002 - 0x2000 + 11), "Launch Orvane");
}

// --- Error descriptions ----------------------------------------------------

struct ErrorRange {
    int32_t first, last;  // first is the more negative
    bool selfDescribed;
};

const ErrorRange kDescribedRanges[] = {
    {-12000, -11994, false}, {-11992, -11975, false}, {-11960, -11959, false}, {-11956, -11949, false},
    {-11947, -11938, false}, {-11500, -11471, false}, {-11460, -11460, false}, {-11450, -11442, false},
    {-11440, -11435, false}, {-11420, -11363, false}, {-11350, -11336, false}, {-11330, -11324, false},
    {-11320, -11312, false}, {-11300, -11279, false}, {-11250, -11242, false}, {-11240, -11237, false},
    {-11220, -11212, true},  {-11150, -11150, false}, {-11100, -11085, false}, {-11050, -11049, false},
    {-10999, -10988, false}, {-10979, -10971, false}, {-10950, -10908, true},  {-10880, -10878, true},
    {-10850, -10846, true},
};

bool InDescribedRange(int32_t err) {
    if (err == 0) return true;
    for (const ErrorRange& range : kDescribedRanges)
        if (err >= range.first && err <= range.last) return true;
    return false;
}

TEST_F(Lumvika, ZeroIsNotAnError) { EXPECT_EQ(ErrorText(0), "Not an error"); }

TEST_F(Lumvika, QuotedErrorDescriptionsAreExact) {
    const std::pair<int32_t, const char*> quoted[] = {
        {-12000, "Bad parameters"},
        {-11999, "Out of memory"},
        {-11997, "File not found"},
        {-11987, "User cancelled"},
        {-11985, "Unknown error"},
        {-11980, "Unknown error"},
        {-11979, "Preference not found"},
        {-11500, "Bad passphrase"},
        {-11497, "Key has been revoked"},
        {-11496, "Key has expired"},
        {-11495, "Key has been disabled"},
        {-11494, "Key validity is low or none"},
        {-11493, "Key can't be used for encryption"},
        {-11492, "Key can't be used for signing"},
        {-11489, "Needed passphrase is missing"},
        {-11477, "Unable to decrypt, no key"},
        {-11475, "User says to skip this section"},
        {-11460, "Library version too old or too new"},
        {-11448, "Bad signature"},
        {-11411, "Cannot decrypt message"},
        {-11402, "No secret key found"},
        {-11392, "ASCII armor input incomplete"},
        {-11369, "Bug introduced by legal_kludge"},
        {-11368, "Bug introduced by legal_kludge"},
        {-11318, "Invalid property name"},
        {-11297, "The request was rejected by the server"},
        {-11289, "Server request timed out"},
        {-11250, "The TLS connection was unexpectedly shutdown"},
        {-11100, "Network down"},
        {-11050, "Host not found"},
        {-10988, "Required public key not found"},
        {-10946, "-10946"},
    };
    for (const auto& [err, text] : quoted) EXPECT_EQ(ErrorText(err), text) << err;
}

TEST_F(Lumvika, EveryNumberOfEveryRangeIsDescribed) {
    int described = 1;  // 0
    for (const ErrorRange& range : kDescribedRanges) {
        for (int32_t err = range.first; err <= range.last; ++err, ++described) {
            std::string text = ErrorText(err);
            EXPECT_NE(text, Fallback(err)) << err;
            EXPECT_EQ(text.rfind("Undescribed", 0), std::string::npos) << err << ": " << text;
            if (range.selfDescribed) {
                EXPECT_EQ(text, std::to_string(err));
            } else {
                EXPECT_NE(text, std::to_string(err)) << "a phrase is due for " << err;
                EXPECT_TRUE(std::any_of(text.begin(), text.end(), ::isalpha)) << err << ": " << text;
            }
        }
    }
    EXPECT_EQ(described, 316);
}

TEST_F(Lumvika, ExactlyTheListedNumbersAreDescribed) {
    int described = 0;
    for (int32_t err = -12100; err <= 100; ++err) {
        bool isDescribed = ErrorText(err) != Fallback(err);
        described += isDescribed;
        EXPECT_EQ(isDescribed, InDescribedRange(err)) << err;
    }
    EXPECT_EQ(described, 316);
}

TEST_F(Lumvika, UndescribedNumbersNameThemselves) {
    for (int32_t err : {-11993, -12001, -11974, -11948, -11501, -11441, -11362, -11221, -11211,
                        -10987, -10845, -1, 1, 5, 12000, INT32_MIN, INT32_MAX})
        EXPECT_EQ(ErrorText(err), Fallback(err)) << err;
    EXPECT_EQ(ErrorText(5), "Undescribed PGP error 5");
    EXPECT_EQ(ErrorText(-11993), "Undescribed PGP error -11993");
}

TEST_F(Lumvika, FallbackTextsOutliveLaterCalls) {
    GetErrorStrFn getErrorStr = GetErrorStr();
    ASSERT_NE(getErrorStr, nullptr);
    std::vector<std::pair<int32_t, const char*>> kept;
    for (int32_t err = 1; err <= 200; ++err) {
        const char* text = nullptr;
        ASSERT_EQ(getErrorStr(err, &text), 0);
        kept.emplace_back(err, text);
    }
    const char* again = nullptr;
    getErrorStr(7, &again);
    EXPECT_EQ(again, kept[6].second) << "the same number keeps its text";
    for (const auto& [err, text] : kept) EXPECT_STREQ(text, Fallback(err).c_str());
}

TEST_F(Lumvika, GetErrorStrWithoutPlaceForTheTextReturnsZero) {
    GetErrorStrFn getErrorStr = GetErrorStr();
    ASSERT_NE(getErrorStr, nullptr);
    EXPECT_EQ(getErrorStr(5, nullptr), 0);
    EXPECT_EQ(getErrorStr(-12000, nullptr), 0);
}

#ifdef ORV_STUB_LOADER
// --- Start and end, against the loader stand-in ---------------------------

std::string LoaderTrace() {
    char trace[128] = "";
    GetEnvironmentVariableA("ORV_STUB_LOADER", trace, sizeof trace);
    return trace;
}

TEST(LumvikaStart, RunsTheLoaderCoreAndCleansUpAtUnload) {
    ReleaseLumvika();
    SetEnvironmentVariableA("ORV_STUB_LOADER", nullptr);
    ASSERT_NE(LoadLumvika(), nullptr) << g_loadFailure;
    EXPECT_EQ(LoaderTrace(), "Load Core");
    ReleaseLumvika();
    EXPECT_EQ(LoaderTrace(), "Load Core, Unload");
}

// The child of the next test: loads the library and ends the process
// without unloading it, as the mail client does when it quits.
[[maybe_unused]] const bool g_exitChild = [] {
    if (GetEnvironmentVariableA("ORV_LUMVIKA_EXIT_CHILD", nullptr, 0) == 0) return false;
    LoadLibraryA("Lumvika.dll");
    ExitProcess(0);
}();

TEST(LumvikaStart, LeavesTheEngineAloneAtProcessExit) {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    const std::string trace = std::string(temp) + "lumvika_exit_trace.txt";
    DeleteFileA(trace.c_str());
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    SetEnvironmentVariableA("ORV_LUMVIKA_EXIT_CHILD", "1");
    SetEnvironmentVariableA("ORV_STUB_LOADER_FILE", trace.c_str());
    std::string command = std::string("\"") + self + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("ORV_LUMVIKA_EXIT_CHILD", nullptr);
    SetEnvironmentVariableA("ORV_STUB_LOADER_FILE", nullptr);
    ASSERT_TRUE(started) << GetLastError();
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
    std::string text;
    if (FILE* f = std::fopen(trace.c_str(), "rb")) {
        char buffer[256];
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
        text.assign(buffer, n);
        std::fclose(f);
    }
    DeleteFileA(trace.c_str());
    EXPECT_EQ(text, "Load Core\n") << "the child's start binds the engine; its exit calls nothing of it";
}

TEST(LumvikaStart, FailsWithDllInitFailedWhenTheLoaderStops) {
    ReleaseLumvika();
    SetEnvironmentVariableA("ORV_STUB_LOADER_FAIL", "1");
    SetLastError(0);
    HMODULE module = LoadLibraryA("Lumvika.dll");
    DWORD error = GetLastError();
    SetEnvironmentVariableA("ORV_STUB_LOADER_FAIL", nullptr);
    if (module) FreeLibrary(module);
    EXPECT_EQ(module, nullptr);
    EXPECT_EQ(error, orv::loader::kFatalExitCode);
    EXPECT_NE(LoadLumvika(), nullptr) << g_loadFailure;
}
#endif

}  // namespace

#pragma once
// The mail client stand-in's one host object: the test user's settings, the
// frame with its MDI area, toolbar, status log and status bar, the host form
// windows handed to extensions, the message editors, and the loaded
// extensions. Everything runs on the thread that created the frame.

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "standin/mailclient/editor.h"
#include "standin/mailclient/editor_library.h"
#include "standin/mailclient/encryption_dialog.h"
#include "standin/mailclient/extension.h"
#include "standin/mailclient/handles.h"
#include "standin/mailclient/mail_files.h"
#include "standin/mailclient/user_setup.h"

namespace orv::mailclient {

// One status line as the host received it (3075).
struct StatusLine {
    WPARAM kind = 0;
    std::string text;  // empty when the line was cleared
};

// What the host did with an encryptor call's result.
struct CryptOutcome {
    bool called = false;
    int result = 0;
    std::string reaction;
    std::string verifyText;  // VERIFY_SIGNATURE's buffer
};

enum class CryptOp { Encrypt, Sign, Decrypt, Verify, Keys, Destroy };

// How readers are laid out: MDI readers ("WPMMDI" holding "WPMDLG_MRC"), or
// the "READER" window holding "WPMDLG_RDR" (headers in the text) or
// "WPMDLG_RDRC" (headers in their own control).
enum class ReaderLayout { Mdi, Plain, PlainWithHeader };

// What a reader shows: a message of a folder, or a text given whole.
struct ReaderMessage {
    std::string folderPath;  // empty for a given text
    int index = -1;
    std::string raw;         // the message as stored
    std::string shown;       // the decoded message, or raw
};
const char* CryptOpExport(CryptOp op);

class Host {
public:
    explicit Host(UserSetup user);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Loads the editor library from the program directory, registers the
    // window classes, holds the language file open and creates the frame;
    // false on failure (the reason goes to the log).
    bool Create(bool visible);
    const EditorLibrary& Ter() const { return ter_; }
    HWND Toolbar() const { return toolbar_; }
    HWND StatusBar() const { return statusBar_; }
    HWND Frame() const { return frame_; }
    HWND MdiClient() const { return mdiClient_; }
    HWND StatusLog() const { return statusLog_; }
    HWND StatusBarText() const { return statusText_; }
    const UserSetup& User() const { return user_; }
    UserSetup& User() { return user_; }

    // A new message editor (class "EDMAIL"), active on top; 0 on failure.
    HWND NewEditor();
    std::vector<HWND> Editors() const;
    HWND ActiveMdiChild() const;

    // A hidden host form window at the bottom of the MDI area, answering the
    // host messages; caption from the form record's title.
    HWND NewFormHost(const std::string& title);

    // Loads an extension and keeps it until the host ends; nullptr on failure
    // (the reason goes to the log).
    Extension* LoadExtension(const std::string& path);
    const std::vector<std::unique_ptr<Extension>>& Extensions() const { return extensions_; }
    // Starts a form of the extension in a new host form window: the form
    // window, or 0 when FORMINIT is missing or failed.
    HWND OpenForm(Extension& ext, const std::string& parameter, const std::string& title = "Orvane");
    // Hands the extension a host form window without starting a form
    // (FORMINIT with an empty parameter), so that its encryptor calls have a
    // host window to report to. The extension's result is returned.
    int AttachEncryptor(Extension& ext);
    HWND EncryptorHostWindow() const { return encryptorHost_; }

    // Runs one encryptor function on a message file and acts on the result.
    CryptOutcome RunCrypt(Extension& ext, CryptOp op, const std::string& file,
                          const std::string& output, const std::string& recipients);
    uint32_t hostWord = 0;

    // Answers a host message for any of the host's windows; false when the
    // message is not one of them.
    bool AnswerHostMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

    // Sends a forms message to every form window of the extensions (2825,
    // 2832, 2833); the first answer equal to stop is returned, else 0.
    LRESULT NotifyForms(UINT msg, WPARAM wp, LPARAM lp, LRESULT stop);

    const std::vector<StatusLine>& StatusLines() const { return statusLines_; }
    void ClearStatusLines();
    // Every status line and event goes here too (the command-line report).
    std::function<void(const std::string&)> onLog;
    void Log(const std::string& line);

    // Host settings of 3064/3065.
    std::map<WPARAM, LPARAM> settings;
    std::string charset = "ISO-8859-1";
    // Folder that the folder choice (3063) answers; empty: nothing chosen.
    std::string folderChoice;
    // Encryptor flags a send writes into "X-PM-Encryptor: " when the editor's
    // encryption box is ticked without a dialog choice (bit 0 encrypt, bit 2
    // sign).
    int sendEncryptorFlags = 1;

    // A message reader with the read-only text; the forms hear of it
    // (notification 25, kind 5 or 23).
    HWND OpenReader(const std::string& title, const std::string& text);
    // Opens a folder's message in a reader: a message carrying PGP goes
    // through the decryptor and the reader shows its output.
    HWND OpenFolderMessage(const std::string& folderPath, int index);
    // Shows another message of the reader's folder in it (261, 262).
    bool StepReader(HWND reader, int step);
    HWND ActiveReader() const;
    const ReaderMessage* MessageOf(HWND reader) const;
    // The reader dialog ("WPMDLG_*") and body ("TER32CLASS") of a reader.
    static HWND ReaderDialog(HWND reader);
    static HWND ReaderBody(HWND reader);
    ReaderLayout readerLayout = ReaderLayout::Mdi;
    bool RawView() const;

    // The folder manager ("FOLMAN"), opened by command 103.
    HWND OpenFolderManager();
    HWND FolderManager() const;
    // Shows a folder there and holds its file open while it is shown.
    bool ShowFolder(const std::string& fileName);
    std::string ShownFolder() const { return shownFolder_; }
    // Selects a message of the shown folder; its text goes to the preview.
    bool SelectFolderMessage(int index);
    // Lets go of the shown folder's file (the folder stays listed).
    void ReleaseFolder();
    // Sent messages end up in this folder of the mailbox.
    std::string OutboxFolder() const { return user_.mailboxDir + "OUTBOX" + host::kFolderExt; }
    bool AddToFolder(const std::string& path, const std::string& name, const std::string& message);

    // Address books of the global, program and mailbox directories.
    std::string GlobalAddressBookDir() const;
    std::vector<AddressBook> AddressBooks() const;
    HWND OpenAddressBooks();

    // The extensions named by the form-definition files (".fff") of the
    // mailbox and program directories; each library once.
    void LoadFormFiles();
    // Extensions whose form file asks to start with the client get FORMINIT.
    void StartForms();
    // Chooses an item of the frame's menu as the user does with the mouse:
    // each popup on the way is opened (WM_INITMENUPOPUP), then the item's
    // command goes to the frame. path: the items' texts joined by ">".
    bool ChooseMenuItem(const std::string& path);
    // The library the first form file marks as encryptor module; null when
    // none does.
    Extension* FormEncryptor() const { return formEncryptor_; }
    // Keeps the open editors as drafts (".PMW", rich text ".PMX"), asks the
    // forms (15) and closes the client unless one holds it.
    bool RequestExit();
    int SaveDrafts();
    // Forwards the reader's message: the "FWD" window asks for the address.
    HWND OpenForward(HWND reader);
    bool ForwardMessage(HWND forwardWindow, const std::string& to);
    // A reader or forward window is going.
    void ForgetWindow(HWND wnd);
    // Runs a frame command as the menu would.
    void Command(WORD id);
    // The host's own dialogs announced to the forms (kind 18, the user name).
    bool OpenMailboxDialog();
    bool OpenUserNameDialog();
    // The folder choice dialog: a folder file of the mailbox, "" cancelled.
    std::string ChooseFolder();
    // Decoded messages are shown in a reader (the program's windows, not the
    // command-line runs).
    bool showReaders = false;
    // Asks for a message file and runs the first encryptor on it.
    void RunCryptOnChosenFile(CryptOp op);

    // Sends the message of an editor: send check, message file, encryptor,
    // outgoing directory. True when the message went out.
    bool SendFromEditor(HWND editor);
    std::string OutgoingDir() const;
    // The editor is being destroyed: forget it as the editor being sent.
    void EditorClosing(HWND editor);
    // What the encryption dialog chose for an editor's message.
    void SetEncryptionChoice(HWND editor, const EncryptionChoice& choice) { encryptionChoices_[editor] = choice; }
    void ClearEncryptionChoice(HWND editor) { encryptionChoices_.erase(editor); }
    const EncryptionChoice* EncryptionChoiceOf(HWND editor) const {
        auto it = encryptionChoices_.find(editor);
        return it == encryptionChoices_.end() ? nullptr : &it->second;
    }
    // An editor holding text asks before it closes (kDiscardQuestion).
    bool askBeforeClosingEditors = false;
    // Tells the forms that the library goes (16), forgets its form windows
    // and frees it; false when it is not loaded.
    bool UnloadExtension(const std::string& path);
    // The frame's end posts WM_QUIT only for the program's own loop.
    bool quitOnClose = false;
    // The host language ("" English): its language file is held open.
    std::string language;
    // Keys of every message loop of the thread: Control+Enter sends the
    // editor, F9 moves to the message text, F8 to the address fields.
    bool HandleKey(const MSG& msg);

    // Window procedures reach the host through this.
    static Host* From(HWND wnd);

private:
    friend LRESULT CALLBACK FrameProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    friend LRESULT CALLBACK FormHostProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    friend LRESULT CALLBACK ReaderPaneProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    friend LRESULT CALLBACK FolderPaneProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    bool RegisterClasses();
    HMENU BuildMenu();
    void CreateFrameChildren(HWND frame);
    bool HoldLanguageFile();
    void ShowInReader(HWND reader, const ReaderMessage& message);
    ReaderMessage DecodeForReading(const std::string& raw);
    void RouteToForm(WORD id);
    bool RouteToReader(WORD id);
    void RunOnReader(CryptOp op);
    void FillFolderList();
    void TieFormHost(HWND hostWnd, HWND form);
    void AnnounceUnloading();
    std::string ComposeMessage(HWND editor, const EditorContent& content) const;
    // Queues a written message file and files a copy in the outbox.
    bool Deliver(const std::string& file);
    std::string WriteOutgoing(const std::string& text);
    void Layout();
    void AddStatusLine(WPARAM kind, const char* text);
    LRESULT AddToolbarButton(const void* record);
    bool RemoveToolbarButton(WPARAM id);
    LRESULT OpenFormFromRecord(const void* record);
    void OnToolbarClick(WORD id);

    UserSetup user_;
    EditorLibrary ter_;
    UniqueHandle languageFile_;
    HHOOK keyHook_ = nullptr;
    std::map<HWND, ReaderMessage> readers_;
    std::map<HWND, std::string> forwards_;  // forward window: the message it forwards
    struct StartupForm {
        Extension* extension;
        std::string data;
        std::string title;
    };
    std::vector<StartupForm> startupForms_;
    Extension* formEncryptor_ = nullptr;
    std::string shownFolder_;
    Folder shownFolderData_;
    UniqueHandle heldFolder_;
    int readCounter_ = 0;
    HWND frame_ = nullptr;
    HWND mdiClient_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND statusLog_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND statusText_ = nullptr;
    HWND statusUser_ = nullptr;
    HWND encryptorHost_ = nullptr;
    HMENU menu_ = nullptr;
    std::vector<std::unique_ptr<Extension>> extensions_;
    std::vector<HWND> formWindows_;
    std::vector<StatusLine> statusLines_;
    struct Button {
        WORD id;
        HWND wnd;
        HWND notify;
        UINT message;
        WPARAM wp;
        LPARAM lp;
    };
    std::vector<Button> buttons_;
    WORD nextButtonId_ = 0x7000;  // kFirstToolbarButton
    // Texts handed out by 0x0C02 stay valid until the next query.
    std::string sendFieldText_;
    BYTE sendEncodeFlag_ = 0;
    HWND sendingEditor_ = nullptr;
    int messageCounter_ = 0;
    std::map<HWND, EncryptionChoice> encryptionChoices_;
};

}  // namespace orv::mailclient

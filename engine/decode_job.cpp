#include "engine/decode_job.h"

#include <windows.h>

#include <cstring>
#include <list>
#include <new>

#include "base/text.h"
#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "base/wipe_text.h"
#include "engine/adapters.h"
#include "engine/key_dialogs.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/message_pump.h"
#include "engine/pgp_time.h"
#include "engine/sdk_table.h"
#include "engine/secure_cache.h"

namespace orv {

using sdk::Call;
using sdk::Sdk;

namespace {

constexpr PGPSize kNoSizeLimit = 0xFFFFFFFFu;

bool SamePath(const std::string& a, const std::string& b) { return LowerCase(Trim(a)) == LowerCase(Trim(b)); }

std::size_t NameStart(const std::string& path) {
    const std::size_t p = path.find_last_of("\\/:");
    return p == std::string::npos ? 0 : p + 1;
}

// Directory part with its separator ("" when the path has none).
std::string DirOf(const std::string& path) { return path.substr(0, NameStart(path)); }

void FreeData(void*& block) {
    if (block && Sdk().PGPFreeData) Sdk().PGPFreeData(block);
    block = nullptr;
}

void FreeOptionList(PGPOptionListRef& list) {
    if (list && Sdk().PGPFreeOptionList) Sdk().PGPFreeOptionList(list);
    list = nullptr;
}

void FreeFileSpec(PGPFileSpecRef& spec) {
    if (spec && Sdk().PGPFreeFileSpec) Sdk().PGPFreeFileSpec(spec);
    spec = nullptr;
}

void FreeKeySet(PGPKeySetRef& set) {
    if (set && Sdk().PGPFreeKeySet) Sdk().PGPFreeKeySet(set);
    set = nullptr;
}

// The file's size; -1 when it cannot be opened for reading.
long long FileSize(const std::string& path) {
    UniqueHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return -1;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f.get(), &size)) return -1;
    return size.QuadPart;
}

// A name the engine suggests for the output is only a file name: directories
// and drives in it would let a message choose where its output is written.
std::string SafeSuggestedName(const char* suggested) {
    if (!suggested) return {};
    std::string name(Trim(std::string(suggested).substr(NameStart(suggested))));
    if (name == "." || name == "..") return {};
    return name;
}

}  // namespace

// ---- Texts -----------------------------------------------------------------

std::string FileNameOf(const std::string& path) { return path.substr(NameStart(path)); }

std::string DeriveOutputName(const std::string& outputFile, const std::string& inputFile, bool detached) {
    if (!outputFile.empty()) return outputFile;
    std::string name(Trim(inputFile));
    const std::size_t dot = name.rfind('.');
    if (name.empty() || dot == std::string::npos) return {};
    const std::string ext = LowerCase(name.substr(dot));
    // An armoured detached signature usually ends in ".asc" (gpg's default),
    // so that one is cut as well; a name left unchanged would be the input
    // itself: the signature checked against itself, or the message replaced
    // by its own output.
    const bool cut = ext == ".pgp" || ext == ".asc" || (detached && ext == ".sig");
    if (!cut || dot == 0) return {};
    name.resize(dot);
    if (FileNameOf(name).empty()) return {};
    return name;
}

std::string SignatureNote(const TSignatureInfo& info, const TSignatureNotes& notes) {
    if (info.UserID.empty()) return notes.UnknownKey;
    if (info.Status == kSigNotSigningKey) return notes.UnusableKey;
    if (!info.Verified) return notes.BadSignature;
    std::string note;
    if (info.Revoked) note = notes.RevokedKey;
    if (info.Disabled) note = notes.DisabledKey;
    if (info.Expired) note = notes.ExpiredKey;
    return note;
}

std::string SignatureStatusText(const TSignatureInfo& info, const std::string& fileName,
                                const TSignatureNotes& notes) {
    if (info.Status == kSigNone) return {};
    std::string text;
    text.reserve(160);
    text += info.Status == kSigGood ? "Good Signature\n" : "Bad Signature\n";
    text += fileName.empty() ? std::string("(...)") : fileName;
    text += "\n";
    if (info.Status != kSigUnknownKey && !info.UserID.empty())
        text += info.UserID + "\n";
    else
        text += "(" + info.KeyIDText + ")\n";
    if (info.Axiomatic)
        text += "Implicit Trust\n";
    else if (info.Validity < 2)
        text += "Invalid Key\n";
    else if (info.Validity == 2)
        text += "Marginal Key\n";
    else
        text += "Valid Key\n";
    text += info.DateText;
    const std::string note = SignatureNote(info, notes);
    if (!note.empty()) text += " (" + note + ")";
    return text;
}

// ---- The job -----------------------------------------------------------------

struct TPGPDecode::Job {
    bool fileMode = false;
    // The caller's text, read where it is (a large message is not copied),
    // or the copy with "@" in front when that rule applies.
    std::string_view input;
    std::string prefixed;
    std::string owned;  // a text the job took over, freed once the engine has read it
    PGPFileSpecRef inputSpec = nullptr;
    PGPFileSpecRef dataSpec = nullptr;  // data file of a detached signature
    PGPOptionListRef options = nullptr;
    bool outputFixed = false;
    bool detached = false;
    PGPContextRef heldContext = nullptr;  // kept-open context while a bare one runs
    bool bare = false;
    std::vector<PGPKeySetRef> serverKeys;  // key sources added to the running job
    // Section buffers attached by the output event. The engine fills each one
    // when its section ends, so they keep their addresses for the whole job.
    struct OutSlot {
        void* data = nullptr;
        PGPSize length = 0;
    };
    std::list<OutSlot> slots;
    // Output bytes of the job, for keying the passphrase cache.
    const void* result = nullptr;
    std::size_t resultLength = 0;
};

TPGPDecode::TPGPDecode() : ImportedKeys(0, kImportedKeysMask) {}

TPGPDecode::~TPGPDecode() {
    try {
        FreeOutData();
        FreeCollected();
        FreeRecipients();
        FreePassphrase();
        if (environmentOpen_) CloseJobContext();
        WipeText(OutputText);
    } catch (...) {
    }
}

PGPError TPGPDecode::AnalyzeBuffer(const std::string& text) {
    Pass = 0;
    return Run(&text, nullptr);
}

PGPError TPGPDecode::AnalyzeFile(const std::string& path) {
    Pass = 0;
    return Run(nullptr, &path);
}

PGPError TPGPDecode::DecodeBuffer(const std::string& text) {
    Pass = 1;
    return Run(&text, nullptr);
}

PGPError TPGPDecode::DecodeBuffer(std::string&& text) {
    Pass = 1;
    return Run(&text, nullptr, &text);
}

PGPError TPGPDecode::DecodeFile(const std::string& path) {
    Pass = 1;
    return Run(nullptr, &path);
}

PGPError TPGPDecode::SetKeepOpen(bool keepOpen) {
    if (keepOpen) {
        FreePassphrase();
        if (!environmentOpen_) {
            PGPError err = OpenJobContext();
            if (err != kPGPError_NoErr) return err;
        }
        KeepOpen = true;
        return kPGPError_NoErr;
    }
    KeepOpen = false;
    FreePassphrase();
    if (environmentOpen_) CloseJobContext();
    return kPGPError_NoErr;
}

void TPGPDecode::SetCacheMode(int mode) {
    CacheMode = mode;
    if (mode == -1 && Secure) Secure->WipeAll();
}

void TPGPDecode::SetWipeCount(int count) {
    if (Secure) Secure->SetWipeCount(count);
}

void TPGPDecode::SetRecursive(bool recursive) {
    Recursive = recursive;
    if (recursive) PassThroughClearSigned = true;
}

TSignatureNotes TPGPDecode::Notes() const {
    return {NoteBadSignature, NoteDisabledKey, NoteExpiredKey, NoteRevokedKey, NoteUnknownKey, NoteUnusableKey};
}

std::string TPGPDecode::SignatureNote() const { return orv::SignatureNote(SignatureInfo, Notes()); }

std::string TPGPDecode::StatusText() const {
    const std::string& file = SignatureInfo.Detached ? OutputFile : InputFile;
    return SignatureStatusText(SignatureInfo, FileNameOf(file), Notes());
}

// ---- Resources ----------------------------------------------------------------

PGPError TPGPDecode::OpenJobContext() {
    TKeyRings* rings = KeyRings();
    if (!rings) return kPGPError_EngineNotLoaded;
    PGPError err = rings->OpenEnvironment(Context, KeySet, TLSContext);
    if (err != kPGPError_NoErr) {
        Context = nullptr;
        KeySet = nullptr;
        TLSContext = nullptr;
        return err;
    }
    environmentOpen_ = true;
    return kPGPError_NoErr;
}

void TPGPDecode::CloseJobContext() {
    if (environmentOpen_ && KeyRings()) KeyRings()->CloseEnvironment(TLSContext);
    environmentOpen_ = false;
    Context = nullptr;
    KeySet = nullptr;
    TLSContext = nullptr;
}

void TPGPDecode::FreePassphrase() {
    void* p = Passphrase;
    FreeData(p);
    Passphrase = nullptr;
}

void TPGPDecode::FreeRecipients() {
    FreeKeySet(RecipientKeys);
    WipeBytes(RecipientKeyIDs.data(), RecipientKeyIDs.size());
    RecipientKeyIDs.clear();
    RecipientKeyIDCount = 0;
}

void TPGPDecode::FreeCollected() {
    void* p = Collected;
    FreeData(p);
    Collected = nullptr;
    CollectedLength = 0;
}

void TPGPDecode::FreeOutData() {
    FreeData(OutData);
    OutLength = 0;
}

PGPError TPGPDecode::AppendToCollected(const void* bytes, PGPSize length) {
    auto& t = Sdk();
    if (!t.PGPNewSecureData || !t.PGPGetDefaultMemoryMgr) return kPGPError_EngineNotLoaded;
    if (length > kNoSizeLimit - CollectedLength - 1) return kPGPError_OutOfMemory;
    // Decrypted text: the joined block is secure memory too, and the old one
    // goes back to the engine, which wipes it.
    auto* grown = static_cast<char*>(t.PGPNewSecureData(t.PGPGetDefaultMemoryMgr(), CollectedLength + length + 1,
                                                        kPGPMemoryMgrFlags_None));
    if (!grown) return kPGPError_OutOfMemory;
    if (CollectedLength) std::memcpy(grown, Collected, CollectedLength);
    if (length) std::memcpy(grown + CollectedLength, bytes, length);
    grown[CollectedLength + length] = '\0';
    const PGPSize total = CollectedLength + length;
    FreeCollected();
    Collected = grown;
    CollectedLength = total;
    return kPGPError_NoErr;
}

// The new content goes to a file beside the target first and then replaces
// it, so that the user's file is never left half-written.
PGPError TPGPDecode::WriteOutputFile(const void* bytes, std::size_t length) {
    if (OutputFile.empty()) return kDecodeErrNoOutput;
    if (!ReplaceWholeFile(OutputFile, std::string_view(static_cast<const char*>(bytes), length)))
        return kDecodeErrNoOutput;
    return kPGPError_NoErr;
}

// ---- Running a job ----------------------------------------------------------------

PGPError TPGPDecode::Run(const std::string* text, const std::string* path, std::string* taken) {
    if (path) {
        if (Trim(*path).empty() || !FileExists(*path)) return kDecodeErrNoInputFile;
    } else if (!text || text->empty()) {
        return kDecodeErrEmptyText;
    }
    Job job;
    job.fileMode = path != nullptr;
    PGPError err = kPGPError_NoErr;
    try {
        if (path) {
            InputFile = *path;
        } else {
            InputFile.clear();
            if (taken) job.owned = std::move(*taken);
            job.input = taken ? job.owned : *text;
        }
        job_ = &job;
        err = RunJob(job);
    } catch (const std::bad_alloc&) {
        err = kPGPError_OutOfMemory;
    } catch (...) {
        err = kPGPError_BadParams;
    }
    try {
        CleanUp(job, job.result != nullptr, job.result, job.resultLength);
    } catch (...) {
    }
    job_ = nullptr;
    if (err == kPGPError_BadParams && SavedError != kPGPError_NoErr) err = SavedError;
    return err;
}

PGPError TPGPDecode::RunJob(Job& job) {
    ResetForJob(job);
    PGPError err = OpenContextFor(job);
    if (err != kPGPError_NoErr) return err;
    err = AnalysisPass(job);
    if (Pass == 0 || err != kPGPError_NoErr) return err;
    err = BuildDecodingOptions(job);
    if (err != kPGPError_NoErr) return err;
    err = ChooseOutput(job);
    if (err != kPGPError_NoErr) return err;
    Pass = 2;
    auto& t = Sdk();
    err = Call(t.PGPDecode, Context, job.options, t.PGPOLastOption(Context));
    ReleaseInput(job);
    if (err != kPGPError_NoErr) return err;
    return DeliverResult(job);
}

void TPGPDecode::ResetForJob(const Job& job) {
    AnalyzeResult = kAnalyzeNotPGP;
    Section = 0;
    SavedError = kPGPError_NoErr;
    WipeText(OutputText);
    FreeCollected();
    FreeOutData();
    ForYourEyesOnly = PGPDataFound = SignedFound = DetachedFound = false;
    OutputAttached = false;
    Conventional = false;
    ImportedKeys.Clear();
    PassphraseSection = 0;
    if (!KeepOpen) FreePassphrase();
    SignatureInfo.Clear();
    FreeRecipients();
    prefixedAt_ = false;
    statusReported_ = false;
    InputSize = job.fileMode ? 0 : static_cast<int>(job.input.size());
}

PGPError TPGPDecode::OpenContextFor(Job& job) {
    if (Pass != 0) return environmentOpen_ ? kPGPError_NoErr : OpenJobContext();
    // Analysis needs no key rings; a context held open stays untouched.
    PGPContextRef bare = nullptr;
    PGPError err = Call(Sdk().PGPNewContext, PGPUInt32(kPGPsdkAPIVersion), &bare);
    if (err != kPGPError_NoErr) return err;
    job.heldContext = Context;
    Context = bare;
    job.bare = true;
    return kPGPError_NoErr;
}

PGPOptionListRef TPGPDecode::InputOption(const Job& job) {
    auto& t = Sdk();
    return job.fileMode ? t.PGPOInputFile(Context, job.inputSpec)
                        : t.PGPOInputBuffer(Context, job.input.data(), static_cast<PGPSize>(job.input.size()));
}

PGPError TPGPDecode::AnalysisPass(Job& job) {
    auto& t = Sdk();
    if (!t.PGPOLastOption || !t.PGPOEventHandler || !t.PGPOInputBuffer || !t.PGPOInputFile || !t.PGPODiscardOutput)
        return kPGPError_EngineNotLoaded;
    if (job.fileMode) {
        PGPError err = Call(t.PGPNewFileSpecFromFullPath, Context, InputFile.c_str(), &job.inputSpec);
        if (err != kPGPError_NoErr) return err;
    }
    PGPError err = Call(t.PGPBuildOptionList, Context, &job.options, t.PGPODiscardOutput(Context, 1),
                        t.PGPOEventHandler(Context, &TPGPDecode::EventHandler, this), InputOption(job),
                        t.PGPOLastOption(Context));
    if (err == kPGPError_NoErr) err = Call(t.PGPDecode, Context, job.options, t.PGPOLastOption(Context));
    FreeOptionList(job.options);
    if (err == kPGPError_UserAbort || err == kDecodeAnalysisStopped) err = kPGPError_NoErr;

    if (!job.fileMode && !PGPDataFound && !job.input.empty() && static_cast<unsigned char>(job.input[0]) >= 0x80) {
        // Text whose first byte looks like a packet header is read as text.
        job.prefixed.reserve(job.input.size() + 1);
        job.prefixed += '@';
        job.prefixed += job.input;
        job.input = job.prefixed;
        prefixedAt_ = true;
        err = kPGPError_NoErr;
    }
    return err;
}

PGPError TPGPDecode::BuildDecodingOptions(Job& job) {
    auto& t = Sdk();
    if (!t.PGPOPassThroughKeys || !t.PGPOPassThroughClearSigned || !t.PGPOPassThroughIfUnrecognized ||
        !t.PGPOSendEventIfKeyFound || !t.PGPORecursivelyDecode || !t.PGPOAllocatedOutputBuffer || !t.PGPODetachedSig)
        return kPGPError_EngineNotLoaded;
    const PGPOptionListRef keySource = sdk::KeySourceOption(Context, KeySet);
    PGPError err = Call(t.PGPBuildOptionList, Context, &job.options, keySource,
                        t.PGPOPassThroughKeys(Context, PassThroughKeys),
                        t.PGPOPassThroughClearSigned(Context, PassThroughClearSigned),
                        t.PGPOPassThroughIfUnrecognized(Context, PassThroughUnrecognized),
                        t.PGPOSendEventIfKeyFound(Context, 1), t.PGPORecursivelyDecode(Context, Recursive),
                        t.PGPOEventHandler(Context, &TPGPDecode::EventHandler, this), t.PGPOLastOption(Context));
    if (err != kPGPError_NoErr) return err;

    if (job.fileMode) {
        const long long size = FileSize(InputFile);
        if (size <= 0) return kDecodeErrEmptyFile;
        InputSize = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
    } else {
        InputSize = static_cast<int>(job.input.size());
    }
    return Call(t.PGPAppendOptionList, job.options, InputOption(job), t.PGPOLastOption(Context));
}

// Signed data goes to a buffer of its own (or, for a detached signature,
// is read from its data file); anything else is collected section by section.
PGPError TPGPDecode::ChooseOutput(Job& job) {
    auto& t = Sdk();
    if (!DetachedFound && !SignedFound) {
        OutputAttached = false;
        return kPGPError_NoErr;
    }
    job.outputFixed = true;
    if (DetachedFound) {
        job.detached = true;
        OutputFile = DeriveOutputName(OutputFile, InputFile, true);
        if (OutputFile.empty() || !FileExists(OutputFile)) return kDecodeErrNoDetachedData;
        PGPError err = Call(t.PGPNewFileSpecFromFullPath, Context, OutputFile.c_str(), &job.dataSpec);
        if (err != kPGPError_NoErr) return err;
        return Call(t.PGPAppendOptionList, job.options,
                    t.PGPODetachedSig(Context, t.PGPOInputFile(Context, job.dataSpec), t.PGPOLastOption(Context)),
                    t.PGPOLastOption(Context));
    }
    if (ToFile) {
        OutputFile = DeriveOutputName(OutputFile, InputFile, false);
        if (OutputFile.empty()) return kDecodeErrNoOutput;
    }
    return Call(t.PGPAppendOptionList, job.options,
                t.PGPOAllocatedOutputBuffer(Context, &OutData, kNoSizeLimit, &OutLength), t.PGPOLastOption(Context));
}

void TPGPDecode::ReleaseInput(Job& job) {
    job.input = std::string_view();
    WipeText(job.owned);
    WipeText(job.prefixed);
}

PGPError TPGPDecode::DeliverResult(Job& job) {
    if (!job.outputFixed && !ForYourEyesOnly && !ToFile) return TakeSections(job);
    const char* bytes = nullptr;
    std::size_t length = 0;
    if (!job.outputFixed) {
        PGPError err = CollectSections(job);
        if (err != kPGPError_NoErr) return err;
        bytes = Collected;
        length = CollectedLength;
    } else {
        bytes = static_cast<const char*>(OutData);
        length = OutLength;
    }
    if (!bytes) length = 0;
    job.result = bytes;
    job.resultLength = length;
    if (prefixedAt_ && PassThroughUnrecognized && length > 0 && bytes[0] == '@') {
        ++bytes;
        --length;
    }
    if (ForYourEyesOnly) {
        // The sender asked that the text be shown only, never stored.
        auto& t = Sdk();
        PGPError err = Call(t.PGPscTempestViewer, Context, ParentWindow, static_cast<const void*>(bytes),
                            static_cast<PGPSize>(length), PGPFlags(1));
        PumpMessages();
        return err;
    }
    if (ToFile) {
        // A detached signature has no output; its data file stays as it is.
        if (job.detached) return kPGPError_NoErr;
        if (OutputFile.empty()) OutputFile = DeriveOutputName(OutputFile, InputFile, false);
        if (OutputFile.empty()) return kDecodeErrNoOutput;
        return WriteOutputFile(bytes, length);
    }
    OutputText.assign(bytes ? bytes : "", length);
    return kPGPError_NoErr;
}

// The sections go into OutputText one by one, each handed back to the
// engine as soon as it is copied: the plain text is held twice at most
// for the size of one section.
PGPError TPGPDecode::TakeSections(Job& job) {
    std::size_t total = CollectedLength;
    for (const Job::OutSlot& slot : job.slots)
        if (slot.data) total += slot.length;
    WipeText(OutputText);
    OutputText.reserve(total);
    if (Collected) OutputText.append(Collected, CollectedLength);
    FreeCollected();
    for (Job::OutSlot& slot : job.slots) {
        if (!slot.data) continue;
        OutputText.append(static_cast<const char*>(slot.data), slot.length);
        FreeData(slot.data);
        slot.length = 0;
    }
    if (prefixedAt_ && PassThroughUnrecognized && !OutputText.empty() && OutputText[0] == '@') OutputText.erase(0, 1);
    job.result = OutputText.data();
    job.resultLength = OutputText.size();
    return kPGPError_NoErr;
}

// Appends the filled section buffers, in the order they were attached, and
// hands them back to the engine.
PGPError TPGPDecode::CollectSections(Job& job) {
    PGPError err = kPGPError_NoErr;
    for (Job::OutSlot& slot : job.slots) {
        if (!slot.data) continue;
        if (err == kPGPError_NoErr) err = AppendToCollected(slot.data, slot.length);
        FreeData(slot.data);
        slot.length = 0;
    }
    return err;
}

void TPGPDecode::CleanUp(Job& job, bool hasOutput, const void* outputBytes, std::size_t outputLength) {
    FreeOptionList(job.options);
    FreeFileSpec(job.inputSpec);
    FreeFileSpec(job.dataSpec);
    if (!KeepOpen) {
        if (!Conventional && CacheMode != -1 && Secure && Passphrase && hasOutput && outputLength > 0)
            Secure->CachePassphrase(Context, Passphrase, kDecryptSlot, outputBytes, outputLength);
        FreeOutData();
        FreeCollected();
        FreePassphrase();
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    } else {
        FreeOutData();
        FreeCollected();
    }
    for (Job::OutSlot& slot : job.slots) FreeData(slot.data);
    WipeBytes(job.prefixed.data(), job.prefixed.size());
    WipeText(job.owned);
    FreeRecipients();
    for (PGPKeySetRef& set : job.serverKeys) ReleaseServerKeys(set);
    job.serverKeys.clear();
    if (job.bare) {
        if (Context) Call(Sdk().PGPFreeContext, Context);
        Context = job.heldContext;
        job.bare = false;
    } else if (environmentOpen_ && !KeepOpen) {
        CloseJobContext();
    }
}

// ---- Events ------------------------------------------------------------------------

PGPError PGP_CALL TPGPDecode::EventHandler(PGPContextRef, PGPEvent* event, PGPUserValue userValue) {
    auto* self = static_cast<TPGPDecode*>(userValue);
    if (!self || !event) return kPGPError_NoErr;
    try {
        return self->OnEvent(*event);
    } catch (const std::bad_alloc&) {
        return kPGPError_OutOfMemory;
    } catch (...) {
        return kPGPError_BadParams;
    }
}

PGPError TPGPDecode::OnEvent(PGPEvent& event) {
    switch (event.type) {
    case kPGPEvent_ErrorEvent: return event.data.errorData.error;
    case kPGPEvent_PassphraseEvent: return OnPassphrase(event);
    case kPGPEvent_AnalyzeEvent: return OnAnalyze(event);
    case kPGPEvent_RecipientsEvent: return Pass == 2 ? OnRecipients(event) : kPGPError_NoErr;
    case kPGPEvent_KeyFoundEvent: return Pass == 2 ? OnKeyFound(event) : kPGPError_NoErr;
    case kPGPEvent_OutputEvent: return Pass == 2 ? OnOutput(event) : kPGPError_NoErr;
    case kPGPEvent_SignatureEvent: return Pass == 2 ? OnSignature(event) : kPGPError_NoErr;
    case kPGPEvent_BeginLexEvent:
        Section = static_cast<int>(event.data.beginLexData.sectionNumber) + 1;
        return kPGPError_NoErr;
    case kPGPEvent_EndLexEvent: FreeRecipients(); return kPGPError_NoErr;
    default: return kPGPError_NoErr;
    }
}

PGPError TPGPDecode::OnAnalyze(const PGPEvent& event) {
    const int kind = event.data.analyzeData.sectionType;
    switch (Pass) {
    case 0:
        if (kind == kAnalyzeEncrypted) AnalyzeResult = kAnalyzeEncrypted;
        return kind == kAnalyzeKey ? kPGPError_NoErr : kPGPError_SkipSection;
    case 1:
        if (kind != kAnalyzeNotPGP) PGPDataFound = true;
        if (kind == kAnalyzeSigned) SignedFound = true;
        if (kind == kAnalyzeDetachedSignature) DetachedFound = true;
        if (SignedFound || DetachedFound) return kPGPError_UserAbort;
        return kind == kAnalyzeKey ? kPGPError_NoErr : kPGPError_SkipSection;
    default:
        if (kind != kAnalyzeNotPGP) AnalyzeResult = kind;
        return kPGPError_NoErr;
    }
}

PGPError TPGPDecode::OnRecipients(const PGPEvent& event) {
    const auto& d = event.data.recipientsData;
    FreeRecipients();
    if (d.recipientSet && Call(Sdk().PGPIncKeySetRefCount, d.recipientSet) == kPGPError_NoErr)
        RecipientKeys = d.recipientSet;
    if (d.keyIDArray && d.keyCount > 0 && d.keyCount < 0x10000) {
        const std::size_t size = static_cast<std::size_t>(d.keyCount) * loader::KeyIDSize();
        RecipientKeyIDs.assign(d.keyIDArray, d.keyIDArray + size);
        RecipientKeyIDCount = static_cast<int>(d.keyCount);
    }
    return kPGPError_NoErr;
}

PGPError TPGPDecode::OnPassphrase(PGPEvent& event) {
    auto& t = Sdk();
    Conventional = event.data.passphraseData.fConventional != 0;
    if (Passphrase && Section != PassphraseSection) {
        PassphraseSection = Section;
    } else {
        // First request, or a repeated one for this section: the last answer was wrong.
        PassphraseSection = Section;
        PGPError err = kPGPError_NoErr;
        if (Conventional) {
            FreePassphrase();
            err = ConventionalDecryptionPassphrase(Context, PassphrasePrompt, ParentWindow, Passphrase);
        } else {
            const bool held = Passphrase != nullptr;
            FreePassphrase();
            if (held && Secure) Secure->WipeSlot(kDecryptSlot);
            if (CacheMode != -1 && Secure) {
                char* cached = nullptr;
                if (Secure->FetchPassphrase(Context, kDecryptSlot, cached) == kPGPError_NoErr) Passphrase = cached;
            }
            if (!Passphrase) {
                PGPKeyDBObjRef key = nullptr;
                err = DecryptionPassphrase(Context, RecipientKeys, static_cast<PGPUInt32>(RecipientKeyIDCount),
                                           RecipientKeyIDs.empty() ? nullptr : RecipientKeyIDs.data(),
                                           PassphrasePrompt, ParentWindow, Passphrase, key);
            }
        }
        if (err != kPGPError_NoErr) {
            FreePassphrase();
            return err;
        }
        if (!Passphrase) return kPGPError_NeedPassphrase;
    }
    if (!t.PGPOPassphrase || !t.PGPOLastOption) return kPGPError_EngineNotLoaded;
    const PGPError err =
        Call(t.PGPAddJobOptions, event.job, t.PGPOPassphrase(Context, Passphrase), t.PGPOLastOption(Context));
    if (!KeepOpen) SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return err;
}

PGPError TPGPDecode::OnKeyFound(PGPEvent& event) {
    auto& d = event.data.keyFoundData;
    if (ImportFoundKeys && d.keySet) {
        // The user's answer (cancel included) does not stop the decoding.
        ImportKeys(Context, d.keySet, ImportPrompt, ParentWindow, &ImportedKeys, TLSContext);
    }
    if (loader::IsSDK7()) {
        if (d.keyDB && Sdk().PGPFreeKeyDB) Sdk().PGPFreeKeyDB(d.keyDB);
    } else {
        FreeKeySet(d.keySet);
    }
    d.keyDB = nullptr;
    d.keySet = nullptr;
    return kPGPError_NoErr;
}

PGPError TPGPDecode::OnOutput(PGPEvent& event) {
    auto& t = Sdk();
    const auto& d = event.data.outputData;
    const bool fyeo = d.forYourEyesOnly != 0;
    if (fyeo) ForYourEyesOnly = true;
    PGPError err = kPGPError_NoErr;
    if (job_ && !job_->outputFixed) {
        if (OutputAttached) {
            err = CollectSections(*job_);
        } else if (ToFile && !fyeo) {
            // A text has no directory of its own to put a suggested name in.
            if (OutputFile.empty() && !InputFile.empty()) {
                const std::string name = SafeSuggestedName(d.suggestedName);
                if (!name.empty()) OutputFile = DirOf(InputFile) + name;
                // A suggested name equal to the input would replace the message by its output.
                if (SamePath(OutputFile, InputFile)) OutputFile.clear();
            }
            OutputFile = DeriveOutputName(OutputFile, InputFile, false);
            if (OutputFile.empty()) err = kDecodeErrNoOutput;
        }
        if (err != kPGPError_NoErr) {
            SavedError = err;
        } else if (!t.PGPOAllocatedOutputBuffer || !t.PGPOLastOption) {
            err = kPGPError_EngineNotLoaded;
        } else {
            Job::OutSlot& slot = job_->slots.emplace_back();
            err = Call(t.PGPAddJobOptions, event.job,
                       t.PGPOAllocatedOutputBuffer(Context, &slot.data, kNoSizeLimit, &slot.length),
                       t.PGPOLastOption(Context));
            if (err == kPGPError_NoErr) OutputAttached = true;
        }
    }
    if (err != kPGPError_NoErr) return err;
    if ((fyeo || ReportAlways) && !statusReported_ && SignatureInfo.Status != kSigNone) {
        statusReported_ = true;
        return SendStatusText();
    }
    return kPGPError_NoErr;
}

int SignatureStrength(int status, bool validKey) {
    switch (status) {
        case kSigBad: return 0;
        case kSigUnknownKey:
        case kSigNotSigningKey: return 1;
        case kSigGood: return validKey ? 3 : 2;
        default: return 4;
    }
}

PGPError TPGPDecode::OnSignature(PGPEvent& event) {
    const auto& d = event.data.signatureData;
    TSignatureInfo earlier = std::move(SignatureInfo);
    SignatureInfo.Clear();
    PGPBoolean signingKey = 0;
    if (d.checked && d.signingKey &&
        sdk::GetBooleanProperty(d.signingKey, kPGPKeyProperty_IsSigningKey, &signingKey) == kPGPError_NoErr) {
        SignatureInfo.KeyIDText = KeyIDText(d.signingKey, true);
        char name[256] = {};
        PGPSize len = 0;
        if (sdk::GetPrimaryUserIDName(d.signingKey, name, sizeof name - 1, &len) == kPGPError_NoErr)
            SignatureInfo.UserID.assign(name, len < sizeof name - 1 ? len : sizeof name - 1);
        SignatureInfo.Time = d.creationTime;
        SignatureInfo.DateText = FormatPGPTime(d.creationTime);
        SignatureInfo.Checked = d.checked != 0;
        SignatureInfo.Verified = d.verified != 0;
        SignatureInfo.Validity = d.keyValidity;
        SignatureInfo.Revoked = d.keyRevoked != 0;
        SignatureInfo.Disabled = d.keyDisabled != 0;
        SignatureInfo.Expired = d.keyExpired != 0;
        PGPBoolean axiomatic = 0;
        SignatureInfo.Axiomatic =
            sdk::GetBooleanProperty(d.signingKey, kPGPKeyProperty_IsAxiomatic, &axiomatic) == kPGPError_NoErr &&
            axiomatic != 0;
        SignatureInfo.Status =
            signingKey ? static_cast<int>(SignatureInfo.Checked) + static_cast<int>(SignatureInfo.Verified)
                       : kSigNotSigningKey;
    } else {
        char text[kPGPMaxKeyIDStringSize] = {};
        PGPKeyID id{};
        std::memcpy(id.opaque, d.signingKeyID.opaque, loader::KeyIDSize());
        const bool made =
            Call(Sdk().PGPGetKeyIDString, static_cast<const PGPKeyID*>(&id), loader::KeyIDFormatFull(), text) ==
            kPGPError_NoErr;
        if (made) {
            text[kPGPMaxKeyIDStringSize - 1] = '\0';
            SignatureInfo.Time = d.creationTime;
            SignatureInfo.DateText = FormatPGPTime(d.creationTime);
            SignatureInfo.KeyIDText = text;
        }
        SignatureInfo.Status = kSigUnknownKey;
        if (made && LookupOnServer) LookUpSigner(event.job, SignatureInfo.KeyIDText);
    }
    SignatureInfo.Detached = DetachedFound;
    auto strength = [](const TSignatureInfo& info) { return SignatureStrength(info.Status, info.Validity >= 2); };
    if (strength(earlier) < strength(SignatureInfo)) SignatureInfo = std::move(earlier);
    // The engine reports a signature after the output it covers, so the log
    // learns of it here; the output event reports one that came first.
    statusReported_ = false;
    if (ForYourEyesOnly || ReportAlways) {
        statusReported_ = true;
        return SendStatusText();
    }
    return kPGPError_NoErr;
}

void TPGPDecode::LookUpSigner(PGPJobRef jobRef, const std::string& keyIDText) {
    auto& t = Sdk();
    PGPKeyID id{};
    if (sdk::NewKeyIDFromString(keyIDText.c_str(), 0, &id) != kPGPError_NoErr) return;
    PGPFilterRef filter = nullptr;
    if (sdk::NewDataFilter(Context, kPGPKeyProperty_KeyID, &id, loader::KeyIDSize(), kPGPMatchEqual, &filter) !=
        kPGPError_NoErr)
        return;
    PGPKeySetRef found = nullptr;
    const PGPError err = SearchKeyServer(Context, TLSContext, filter, kCapCanVerify, ParentWindow, found);
    if (filter && t.PGPFreeFilter) t.PGPFreeFilter(filter);
    PGPUInt32 count = 0;
    if (err != kPGPError_NoErr || !found || Call(t.PGPCountKeys, found, &count) != kPGPError_NoErr || count == 0) {
        ReleaseServerKeys(found);
        return;
    }
    ImportKeys(Context, found, ImportPrompt, ParentWindow, &ImportedKeys, TLSContext);
    if (t.PGPOLastOption) {
        const PGPOptionListRef source = sdk::KeySourceOption(Context, found);
        if (source) Call(t.PGPAddJobOptions, jobRef, source, t.PGPOLastOption(Context));
    }
    // The running job reads the found keys until it ends.
    if (job_)
        job_->serverKeys.push_back(found);
    else
        ReleaseServerKeys(found);
}

PGPError TPGPDecode::SendStatusText() {
    if (SignatureInfo.Status == kSigNone) return kPGPError_NoErr;
    const std::string text = StatusText();
    if (!Sdk().PGPscSendPGPlogMsg) return kDecodeErrLogNotDelivered;
    if (Sdk().PGPscSendPGPlogMsg(ParentWindow, text.c_str()) != kPGPError_NoErr) return kDecodeErrLogNotDelivered;
    return kPGPError_NoErr;
}

}  // namespace orv

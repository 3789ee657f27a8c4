#include "automation/tter.h"

#include "automation/address_text.h"
#include "automation/info_block.h"
#include "automation/pl_text.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {

template <typename Fn>
bool Bind(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return fn != nullptr;
}

}  // namespace

void TTER::Initialize(const std::string& programDir) {
    *this = TTER();
    HMODULE module = GetModuleHandleA((programDir + host::kEditorLibrary).c_str());
    if (!module) return;
    // Every lookup runs, so that a missing one leaves no half-bound set.
    bool all = Bind(module, "TerGetReadOnly", getReadOnly_);
    all = Bind(module, "TerGetTextSel", getTextSel_) && all;
    all = Bind(module, "GetTerBuffer", getBuffer_) && all;
    all = Bind(module, "GetTerLine", getLine_) && all;
    all = Bind(module, "TerGetCurFont", getCurFont_) && all;
    all = Bind(module, "SetTerCursorPos", setCursorPos_) && all;
    all = Bind(module, "TerGetTextColor", getTextColor_) && all;
    all = Bind(module, "SetTerColor", setColor_) && all;
    all = Bind(module, "TerGetTabStop", getTabStop_) && all;
    all = Bind(module, "TerSetTab", setTab_) && all;
    all = Bind(module, "TerInsertText", terInsertText_) && all;
    all = Bind(module, "InsertTerText", insertTerText_) && all;
    available_ = all;
}

bool TTER::GetReadOnly(HWND control) const { return control && available_ && getReadOnly_(control); }

bool TTER::IsWritable(HWND control) const { return control && available_ && !getReadOnly_(control); }

std::string TTER::TakeBlock(HGLOBAL block) {
    if (!block) return {};
    std::string text;
    if (const char* p = static_cast<const char*>(GlobalLock(block))) {
        // The block may be larger than its text; the text ends at its zero.
        text.assign(p, strnlen(p, GlobalSize(block)));
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return text;
}

std::string TTER::GetText(HWND control) const {
    if (!control || !available_) return {};
    long size = 0;
    return TakeBlock(getBuffer_(control, &size));
}

std::string TTER::GetSelection(HWND control) const {
    if (!control || !available_) return {};
    long size = 0;
    return TakeBlock(getTextSel_(control, &size));
}

std::string TTER::GetEncryptedText(HWND control) const { return EncryptedTextOf(GetText(control)); }

std::string TTER::GetPGPMimeText(HWND control) const { return PgpMimeBodyOf(GetText(control)); }

CheckResult TTER::GetCheckResult(HWND control) const {
    std::string selection = GetSelection(control);
    if (selection.find('@') != std::string::npos) return {false, ExtractEmail(selection)};
    std::string key = ExtractHexID(selection);
    return {!key.empty(), key};
}

std::string TTER::Line0(HWND control) const {
    long length = getLine_(control, 0, nullptr);
    if (length <= 0) return {};
    std::string line(static_cast<size_t>(length) + 1, '\0');
    getLine_(control, 0, line.data());
    line.resize(strnlen(line.c_str(), line.size()));
    return line;
}

bool TTER::InsertSigText(HWND control, const std::string& info, bool tabbed, int resultCode) const {
    if (!control || !available_) return false;
    std::optional<InfoBlock> block = BuildInfoBlock(info, tabbed, resultCode);
    if (!block) return true;
    if (StartsWithInfoBlock(Line0(control))) return true;
    int font = getCurFont_(control, 0, 0);
    COLORREF text = 0, background = 0;
    getTextColor_(control, font, &text, &background);
    int tabType = 0, tabPosition = 0, tabFlags = 0;
    getTabStop_(control, 0, 0, &tabType, &tabPosition, &tabFlags);
    std::string body = block->body + "\r\n";
    // The first call that fails ends the block; the rest is tried at the
    // next paint.
    return terInsertText_(control, block->prefix.c_str(), 1, -1, 0) && setColor_(control, block->colour, 0) &&
           insertTerText_(control, body.c_str(), 0) && setColor_(control, 0, 0) &&
           setTab_(control, 0, tabType, 4, 0) && insertTerText_(control, block->trailer.c_str(), 0) &&
           setTab_(control, tabPosition, tabType, tabFlags, 0) && setColor_(control, text, 0) &&
           setCursorPos_(control, 0, 0, 1);
}

}  // namespace orv::automation

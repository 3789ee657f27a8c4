// The key-server search dialog: asks the given servers, through the
// networking library, for the keys that the filter, key, key set or key-ID
// list names, shows what it is doing, can be stopped, and hands the keys
// found back as a key database (release 7) or a key set (release 6.5) of the
// core.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "standin/export_guard.h"
#include "standin/sdknet/core_link.h"
#include "standin/sdknet/net_api.h"
#include "standin/sdknet/search_dialog_ids.h"
#include "standin/sdkui/core_access.h"
#include "standin/sdkui/sdkui_exports.h"
#include "standin/sdkui/sdkui_module.h"

namespace {

template <class Fn>
Fn NetProc(const char* name) {
    HMODULE m = GetModuleHandleA("PGPsdkNL.dll");
    if (!m) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m, name)));
}
#define NET_PROC(name) (NetProc<PFN_##name>(#name))

struct NetLib {
    PFN_PGPKeyServerOpen open = NET_PROC(PGPKeyServerOpen);
    PFN_PGPKeyServerClose close = NET_PROC(PGPKeyServerClose);
#if ORV_SDKUI_RELEASE == 7
    PFN_PGPQueryKeyServer query = NET_PROC(PGPQueryKeyServer);
#else
    PFN65_PGPQueryKeyServer query = NetProc<PFN65_PGPQueryKeyServer>("PGPQueryKeyServer");
#endif
    PFN_PGPCancelKeyServerCall cancel = NET_PROC(PGPCancelKeyServerCall);
    PFN_PGPSetKeyServerEventHandler setHandler = NET_PROC(PGPSetKeyServerEventHandler);
    PFN_PGPGetKeyServerEventHandler getHandler = NET_PROC(PGPGetKeyServerEventHandler);
    PFN_PGPSetKeyServerIdleEventHandler setIdle = NET_PROC(PGPSetKeyServerIdleEventHandler);
    PFN_PGPGetKeyServerIdleEventHandler getIdle = NET_PROC(PGPGetKeyServerIdleEventHandler);
    PFN_PGPGetKeyServerHostName hostName = NET_PROC(PGPGetKeyServerHostName);
    PFN_PGPGetKeyServerPort port = NET_PROC(PGPGetKeyServerPort);
    PFN_PGPGetKeyServerProtocol protocol = NET_PROC(PGPGetKeyServerProtocol);
    bool complete() const {
        return open && close && query && cancel && setHandler && getHandler && setIdle && getIdle && hostName &&
               port && protocol;
    }
};

// What a search hands back: a key database (7) or a key set (6.5).
#if ORV_SDKUI_RELEASE == 7
using FoundKeys = PGPKeyDBRef;
#else
using FoundKeys = PGPKeySetRef;
#endif

struct Core {
    PFN_PGPFreeKeySet freeKeySet = ORVNET_CORE(PGPFreeKeySet);
    PFN_PGPUnionFilters unionFilters = ORVNET_CORE(PGPUnionFilters);
    PFN_PGPFreeFilter freeFilter = ORVNET_CORE(PGPFreeFilter);
    PFN_PGPFreeData freeData = ORVNET_CORE(PGPFreeData);
#if ORV_SDKUI_RELEASE == 7
    PFN_PGPNewKeyDB newKeyDB = ORVNET_CORE(PGPNewKeyDB);
    PFN_PGPFreeKeyDB freeKeyDB = ORVNET_CORE(PGPFreeKeyDB);
    PFN_PGPCopyKeys copyKeys = ORVNET_CORE(PGPCopyKeys);
    PFN_PGPPeekKeyDBRootKeySet rootSet = ORVNET_CORE(PGPPeekKeyDBRootKeySet);
    PFN_PGPCountKeysInKeyDB countKeys = ORVNET_CORE(PGPCountKeysInKeyDB);
    PFN_PGPNewKeyDBObjDataFilter dataFilter = ORVNET_CORE(PGPNewKeyDBObjDataFilter);
    bool complete() const {
        return freeKeySet && unionFilters && freeFilter && freeData && newKeyDB && freeKeyDB && copyKeys && rootSet &&
               countKeys && dataFilter && companion::core().complete;
    }
    PGPError newFound(PGPContextRef context, FoundKeys* out) const { return newKeyDB(context, out); }
    void freeFound(FoundKeys found) const { freeKeyDB(found); }
    PGPUInt32 count(FoundKeys found) const {
        PGPUInt32 n = 0;
        return countKeys(found, &n) == kPGPError_NoErr ? n : 0;
    }
    // Adds the keys of answer to found and frees answer.
    PGPError merge(FoundKeys answer, FoundKeys found) const {
        PGPKeySetRef copied = nullptr;
        PGPError err = copyKeys(rootSet(answer), found, &copied);
        if (copied) freeKeySet(copied);
        freeKeyDB(answer);
        return err;
    }
    PGPError keyIDFilter(PGPContextRef context, const PGPKeyID& id, PGPFilterRef* out) const {
        return dataFilter(context, kPGPKeyProperty_KeyID, &id, companion::kKeyIDSize, kPGPMatchEqual, out);
    }
#else
    PFN65_PGPNewEmptyKeySet newEmptySet = orvnet::CoreProc<PFN65_PGPNewEmptyKeySet>("PGPNewEmptyKeySet");
    PFN_PGPAddKeys addKeys = ORVNET_CORE(PGPAddKeys);
    PFN_PGPCountKeys countKeys = ORVNET_CORE(PGPCountKeys);
    PFN_PGPNewKeyIDFilter newKeyIDFilter = ORVNET_CORE(PGPNewKeyIDFilter);
    bool complete() const {
        return freeKeySet && unionFilters && freeFilter && freeData && newEmptySet && addKeys && countKeys &&
               newKeyIDFilter && companion::core().complete;
    }
    PGPError newFound(PGPContextRef context, FoundKeys* out) const { return newEmptySet(context, out); }
    void freeFound(FoundKeys found) const { freeKeySet(found); }
    PGPUInt32 count(FoundKeys found) const {
        PGPUInt32 n = 0;
        return countKeys(found, &n) == kPGPError_NoErr ? n : 0;
    }
    // Adds the keys of answer to found and frees answer; found keeps them.
    PGPError merge(FoundKeys answer, FoundKeys found) const {
        PGPError err = addKeys(answer, found);
        freeKeySet(answer);
        return err;
    }
    PGPError keyIDFilter(PGPContextRef context, const PGPKeyID& id, PGPFilterRef* out) const {
        return newKeyIDFilter(context, &id, out);
    }
#endif
};

// What the search was asked for and what it found.
struct Search {
    PGPContextRef context = nullptr;
    std::vector<PGPKeyServerRef> servers;
    bool searchAll = false;
    PGPFilterRef filter = nullptr;  // the caller's, or made from keys below
    std::string what;               // for the query line
    std::string caption = KSSEARCH_CAPTION;
    HWND dialog = nullptr;
    NetLib net;
    Core core;
    bool running = false;
    bool cancelled = false;
    PGPKeyServerRef current = nullptr;
    std::string currentAddress;
    FoundKeys found = nullptr;
    PGPError result = kPGPError_UserAbort;
};

std::string Format(const char* pattern, const std::string& address) {
    std::string out = pattern;
    const auto at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, address);
    return out;
}

void SetStatus(Search& s, const std::string& text) {
    if (s.dialog) SetDlgItemTextA(s.dialog, IDC_KSSEARCH_STATUS, text.c_str());
}

std::string ServerAddress(const Search& s, PGPKeyServerRef server) {
    char* host = nullptr;
    PGPUInt16 port = 0;
    PGPKeyServerProtocol protocol = 0;
    std::string text;
    if (s.net.hostName(server, &host) == kPGPError_NoErr && host) {
        s.net.protocol(server, &protocol);
        s.net.port(server, &port);
        static const char* const names[] = {"", "ldap", "http", "ldaps", "https"};
        text = std::string(protocol >= 1 && protocol <= 4 ? names[protocol] : "?") + "://" + host + ":" +
               std::to_string(port);
        s.core.freeData(host);
    }
    return text;
}

// Keeps the dialog alive while the networking library waits.
void Pump(Search& s) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            s.cancelled = true;
            return;
        }
        if (!s.dialog || !IsDialogMessageA(s.dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

PGPError PGP_CALL IdleHandler(PGPContextRef, PGPEvent*, PGPUserValue value) {
    auto& s = *static_cast<Search*>(value);
    try {
        Pump(s);
    } catch (...) {
        s.cancelled = true;
    }
    return s.cancelled ? kPGPError_UserAbort : kPGPError_NoErr;
}

PGPError PGP_CALL ServerEvents(PGPContextRef, PGPEvent* event, PGPUserValue value) {
    auto& s = *static_cast<Search*>(value);
    if (!event || event->type != kPGPEvent_KeyServerEvent) return kPGPError_NoErr;
    try {
        switch (event->data.keyServerData.state) {
        case kPGPKeyServerState_Opening: SetStatus(s, Format(KSSEARCH_TEXT_OPENING, s.currentAddress)); break;
        case kPGPKeyServerState_Querying: SetStatus(s, Format(KSSEARCH_TEXT_QUERYING, s.currentAddress)); break;
        case kPGPKeyServerState_ReceivingResults:
            SetStatus(s, Format(KSSEARCH_TEXT_RECEIVING, s.currentAddress));
            break;
        case kPGPKeyServerState_ProcessingResults: SetStatus(s, KSSEARCH_TEXT_PROCESSING); break;
        default: break;
        }
        Pump(s);
    } catch (...) {
        s.cancelled = true;
    }
    return s.cancelled ? kPGPError_UserAbort : kPGPError_NoErr;
}

// Adds the keys of one server's answer to what was found so far.
PGPError Merge(Search& s, FoundKeys answer) {
    if (!s.found) {
        s.found = answer;
        return kPGPError_NoErr;
    }
    return s.core.merge(answer, s.found);
}

PGPUInt32 CountFound(const Search& s) { return s.found ? s.core.count(s.found) : 0; }

// Asks the servers in turn; without searchAll the first that finds keys
// answers, and a server that fails leaves the search to the next one.
void RunSearch(Search& s) {
    PGPEventHandlerProcPtr oldIdle = nullptr;
    PGPUserValue oldIdleValue = nullptr;
    s.net.getIdle(&oldIdle, &oldIdleValue);
    s.net.setIdle(IdleHandler, &s);
    PGPError firstError = kPGPError_NoErr;
    for (PGPKeyServerRef server : s.servers) {
        if (s.cancelled) break;
        s.current = server;
        s.currentAddress = ServerAddress(s, server);
        SetDlgItemTextA(s.dialog, IDC_KSSEARCH_SERVER, ("Server: " + s.currentAddress).c_str());
        PGPEventHandlerProcPtr oldHandler = nullptr;
        PGPUserValue oldValue = nullptr;
        s.net.getHandler(server, &oldHandler, &oldValue);
        s.net.setHandler(server, ServerEvents, &s);
        FoundKeys answer = nullptr;
        PGPError err = s.net.open(server, nullptr);
        if (err == kPGPError_NoErr) {
            err = s.net.query(server, s.filter, &answer);
            s.net.close(server);
        }
        s.net.setHandler(server, oldHandler, oldValue);
        s.current = nullptr;
        if (s.cancelled || err == kPGPError_UserAbort || err == kPGPError_ServerCancelled) {
            if (answer) s.core.freeFound(answer);
            s.cancelled = true;
            break;
        }
        if (err != kPGPError_NoErr) {
            SetStatus(s, Format(KSSEARCH_TEXT_FAILED, s.currentAddress));
            if (firstError == kPGPError_NoErr) firstError = err;
            continue;
        }
        err = Merge(s, answer);
        if (err != kPGPError_NoErr && firstError == kPGPError_NoErr) firstError = err;
        if (!s.searchAll && CountFound(s) > 0) break;
    }
    s.net.setIdle(oldIdle, oldIdleValue);
    if (s.cancelled) {
        if (s.found) s.core.freeFound(s.found);
        s.found = nullptr;
        s.result = kPGPError_UserAbort;
        return;
    }
    // Servers that answered without keys still answered: an empty result.
    if (!s.found && firstError == kPGPError_NoErr) {
        firstError = s.core.newFound(s.context, &s.found);
    }
    s.result = s.found ? kPGPError_NoErr : firstError;
}

constexpr UINT kStartSearch = WM_APP + 1;

INT_PTR CALLBACK SearchProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        auto* s = reinterpret_cast<Search*>(GetWindowLongPtrA(dialog, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG:
            s = reinterpret_cast<Search*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            s->dialog = dialog;
            SetWindowTextA(dialog, s->caption.c_str());
            SetDlgItemTextA(dialog, IDC_KSSEARCH_QUERY, ("Searching for: " + s->what).c_str());
            PostMessageA(dialog, kStartSearch, 0, 0);
            return TRUE;
        case kStartSearch:
            if (!s || s->running) return TRUE;
            s->running = true;
            RunSearch(*s);
            s->running = false;
            s->dialog = nullptr;
            EndDialog(dialog, 1);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL && s) {
                s->cancelled = true;
                if (s->current) s->net.cancel(s->current);
                // A running search ends the dialog itself when it returns.
                if (!s->running) {
                    s->dialog = nullptr;
                    EndDialog(dialog, 0);
                }
            }
            return TRUE;
        case WM_CLOSE:
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

// The dialog's template, made in memory: query line, server line, status
// line and the Cancel button.
class Template {
public:
    Template() {
        Align();
        DLGTEMPLATE t{};
        t.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
        t.cdit = 4;
        t.cx = 260;
        t.cy = 70;
        Put(&t, sizeof t);
        Word(0);  // menu
        Word(0);  // class
        Text(KSSEARCH_CAPTION);
        Word(8);
        Text("MS Shell Dlg");
        Item(IDC_KSSEARCH_QUERY, 0x0082, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 8, 6, 244, 9);
        Item(IDC_KSSEARCH_SERVER, 0x0082, SS_LEFT | SS_NOPREFIX, 8, 18, 244, 9);
        Item(IDC_KSSEARCH_STATUS, 0x0082, SS_LEFT | SS_NOPREFIX, 8, 32, 244, 9);
        Item(IDCANCEL, 0x0080, BS_PUSHBUTTON | WS_TABSTOP, 202, 50, 50, 14, "Cancel");
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
    void Put(const void* p, size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void Word(WORD w) { Put(&w, sizeof w); }
    void Text(const char* text) {
        for (const char* c = text; *c; ++c) Word(static_cast<unsigned char>(*c));
        Word(0);
    }
    void Align() {
        while (bytes_.size() % 4) bytes_.push_back(0);
    }
    void Item(int id, WORD atom, DWORD style, short x, short y, short cx, short cy, const char* text = "") {
        Align();
        DLGITEMTEMPLATE item{};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = static_cast<WORD>(id);
        Put(&item, sizeof item);
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0);  // no creation data
    }
    std::vector<unsigned char> bytes_;
};

// Joins a key-ID filter for every key ID into one alternative.
PGPError AddKeyIDFilter(Search& s, const PGPKeyID& id, PGPFilterRef& filter) {
    PGPFilterRef one = nullptr;
    PGPError err = s.core.keyIDFilter(s.context, id, &one);
    if (err != kPGPError_NoErr) return err;
    const std::string text = companion::keyIDText(id);
    if (!text.empty()) s.what += (s.what.empty() ? "" : ", ") + text;
    if (!filter) {
        filter = one;
        return kPGPError_NoErr;
    }
    PGPFilterRef joined = nullptr;
    err = s.core.unionFilters(filter, one, &joined);
    if (err != kPGPError_NoErr) {
        s.core.freeFilter(one);
        return err;
    }
    filter = joined;
    return kPGPError_NoErr;
}

PGPError AddKeyFilter(Search& s, PGPKeyDBObjRef key, PGPFilterRef& filter) {
    PGPKeyID id{};
    if (!key || !companion::keyIDOf(key, id)) return kPGPError_BadParams;
    return AddKeyIDFilter(s, id, filter);
}

// The filter of the key, key set and key-ID list options, when the caller
// gave no filter.
PGPError FilterFromKeys(Search& s, const std::vector<orvnet::Option>& options, PGPFilterRef& filter) {
    filter = nullptr;
    PGPError err = kPGPError_NoErr;
    for (const auto& o : options) {
        if (err != kPGPError_NoErr) break;
        if (o.tag == kORVsdkUI_KeyServerSearchKey) {
            err = AddKeyFilter(s, static_cast<PGPKeyDBObjRef>(o.ptr), filter);
        } else if (o.tag == kORVsdkUI_KeyServerSearchKeySet) {
            if (!o.ptr) err = kPGPError_BadParams;
            for (const auto& k : companion::listKeys(static_cast<PGPKeySetRef>(o.ptr))) {
                if (err != kPGPError_NoErr) break;
                err = AddKeyFilter(s, k.key, filter);
            }
        } else if (o.tag == kORVsdkUI_KeyServerSearchKeyIDList) {
            const PGPUInt32 count = static_cast<PGPUInt32>(o.num);
            if (o.text.size() < static_cast<size_t>(count) * companion::kKeyIDSize) return kPGPError_BadParams;
            for (PGPUInt32 i = 0; i < count && err == kPGPError_NoErr; ++i) {
                PGPKeyID id{};
                std::memcpy(&id, o.text.data() + i * companion::kKeyIDSize, companion::kKeyIDSize);
                err = AddKeyIDFilter(s, id, filter);
            }
        }
    }
    if (err != kPGPError_NoErr && filter) {
        s.core.freeFilter(filter);
        filter = nullptr;
    }
    return err;
}

// A readable line for the caller's filter: its key IDs and texts.
void DescribeFilter(Search& s, PGPFilterRef filter, int depth = 0) {
    auto info = ORVNET_CORE(ORVsdkGetFilterInfo);
    ORVsdkFilterInfo f{};
    if (!info || depth > 16 || info(filter, &f) != kPGPError_NoErr) return;
    if (f.kind == kORVsdkFilter_And || f.kind == kORVsdkFilter_Or) {
        DescribeFilter(s, f.a, depth + 1);
        DescribeFilter(s, f.b, depth + 1);
    } else if (f.kind == kORVsdkFilter_Data && f.property == kPGPKeyProperty_KeyID) {
        PGPKeyID id{};
        std::memcpy(&id, f.data, f.dataLength < sizeof id ? f.dataLength : sizeof id);
        const std::string text = companion::keyIDText(id);
        if (!text.empty()) s.what += (s.what.empty() ? "" : ", ") + text;
    } else if (f.kind == kORVsdkFilter_Data && f.property >= kPGPUserIDProperty_Name &&
               f.property <= kPGPUserIDProperty_EmailAddress) {
        s.what += (s.what.empty() ? "\"" : ", \"") + std::string(static_cast<const char*>(f.data), f.dataLength) +
                  "\"";
    }
}

}  // namespace

PGPError PGP_CALL PGPSearchKeyServerDialog(PGPContextRef context, PGPUInt32 serverCount,
                                           const PGPKeyServerRef* servers, PGPtlsContextRef tls,
                                           PGPBoolean searchAllServers, void** outFoundKeys,
                                           PGPOptionListRef firstOption, ...) {
    try {
        std::vector<orvnet::Option> options;
        va_list ap;
        va_start(ap, firstOption);
        PGPError err;
        try {
            err = orvnet::GatherOptions(firstOption, ap, options);
        } catch (...) {
            err = kPGPError_OutOfMemory;
        }
        va_end(ap);
        if (!outFoundKeys) return kPGPError_BadParams;
        *outFoundKeys = nullptr;
        if (err != kPGPError_NoErr) return err;
        if (!context || serverCount == 0 || !servers) return kPGPError_BadParams;
        try {
            Search s;
            if (!s.net.complete() || !s.core.complete()) return kPGPError_EngineNotLoaded;
            s.context = context;
            s.servers.assign(servers, servers + serverCount);
            s.searchAll = searchAllServers != 0;
            HWND parent = nullptr;
            PGPFilterRef given = nullptr;
            for (const auto& o : options) {
                if (o.tag == kORVsdkUI_ParentWindowHandle) parent = static_cast<HWND>(o.ptr);
                if (o.tag == kORVsdkUI_WindowTitle) s.caption = o.text;
                if (o.tag == kORVsdkUI_KeyServerSearchFilter || o.tag == kORVsdkNet_SearchFilter)
                    given = static_cast<PGPFilterRef>(o.ptr);
            }
            PGPFilterRef made = nullptr;
            if (given) {
                s.filter = given;
                DescribeFilter(s, given);
            } else {
                err = FilterFromKeys(s, options, made);
                if (err != kPGPError_NoErr) return err;
                if (!made) return kPGPError_BadParams;  // nothing to search for
                s.filter = made;
            }
            if (parent && !IsWindow(parent)) parent = nullptr;
            Template dialogTemplate;
            const INT_PTR shown = DialogBoxIndirectParamA(sdkui::module(), dialogTemplate.get(), parent, SearchProc,
                                                          reinterpret_cast<LPARAM>(&s));
            if (made) s.core.freeFilter(made);
            if (shown == -1) {
                if (s.found) s.core.freeFound(s.found);
                return kPGPError_OutOfMemory;
            }
            if (s.result != kPGPError_NoErr) {
                if (s.found) s.core.freeFound(s.found);
                return s.result;
            }
            *outFoundKeys = s.found;
            return kPGPError_NoErr;
        } catch (...) {
            return kPGPError_OutOfMemory;
        }
    } ORV_EXPORT_GUARD
}

SDKUI_EXPORT(PGPSearchKeyServerDialog);

// Sends keys to one key server through the networking library, without a
// progress window of its own. The keys the server refused come back in
// *outFailedKeys; a sending that fails as a whole gives its error number.
PGPError PGP_CALL PGPSendToKeyServerDialog(PGPContextRef context, PGPKeyServerRef server, PGPtlsContextRef,
                                           PGPKeySetRef keysToSend, PGPKeySetRef* outFailedKeys,
                                           PGPOptionListRef firstOption, ...) {
    try {
        std::vector<orvnet::Option> options;
        va_list ap;
        va_start(ap, firstOption);
        PGPError err = orvnet::GatherOptions(firstOption, ap, options);
        va_end(ap);
        if (outFailedKeys) *outFailedKeys = nullptr;
        if (err != kPGPError_NoErr) return err;
        if (!context || !server || !keysToSend || !outFailedKeys) return kPGPError_BadParams;
        const auto open = NET_PROC(PGPKeyServerOpen);
        const auto close = NET_PROC(PGPKeyServerClose);
        const auto upload = NET_PROC(PGPUploadToKeyServer);
        if (!open || !close || !upload) return kPGPError_EngineNotLoaded;
        err = open(server, nullptr);
        if (err != kPGPError_NoErr) return err;
        err = upload(server, keysToSend, outFailedKeys);
        close(server);
        return err;
    } ORV_EXPORT_GUARD
}

SDKUI_EXPORT(PGPSendToKeyServerDialog);

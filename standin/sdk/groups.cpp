// Recipient groups: named lists of keys and of other groups, kept in a group
// file ("PGPgroup.pgr") of the stand-in's own text form:
//   ORVGROUPS 1
//   G <id> <name as hex> <description as hex>
//   K <group id> <key ID, 16 hex digits> <public-key algorithm>
//   S <group id> <id of the group it holds>
// Items follow their group's line in order.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <set>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"
#include "standin/sdk/packets.h"

using namespace sdk;

namespace {

constexpr PGPInt32 kItemGroup = 1, kItemKey = 2;
// Iterator flags: descend into the groups a group holds; hand out keys only.
constexpr PGPFlags kIterRecursive = 1, kIterKeysOnly = 2;
constexpr int kMaxDepth = 32;

Group* findGroup(PGPGroupSetRef set, PGPGroupID id) {
    for (auto& g : set->groups)
        if (g.id == id) return &g;
    return nullptr;
}

bool sameItem(const PGPGroupItem& a, const PGPGroupItem& b) {
    if (a.type != b.type) return false;
    if (a.type == kItemGroup) return a.groupID == b.groupID;
    return keyIDHex(&a.keyID) == keyIDHex(&b.keyID);
}

// True when group `inner` holds `outer`, directly or further down.
bool holds(PGPGroupSetRef set, PGPGroupID inner, PGPGroupID outer, int depth = 0) {
    if (inner == outer) return true;
    Group* g = findGroup(set, inner);
    if (!g || depth > kMaxDepth) return depth > kMaxDepth;
    for (auto& it : g->items)
        if (it.type == kItemGroup && holds(set, it.groupID, outer, depth + 1)) return true;
    return false;
}

// The keys of a group and of the groups it holds, each once, in order.
void flatten(PGPGroupSetRef set, PGPGroupID id, std::vector<PGPGroupItem>& keys, std::set<std::string>& seen,
             int depth = 0) {
    Group* g = findGroup(set, id);
    if (!g || depth > kMaxDepth) return;
    for (auto& it : g->items) {
        if (it.type == kItemKey) {
            if (seen.insert(keyIDHex(&it.keyID)).second) keys.push_back(it);
        } else {
            flatten(set, it.groupID, keys, seen, depth + 1);
        }
    }
}

std::string hexOf(const std::string& s) { return s.empty() ? "-" : toHex(s); }

bool unhex(const std::string& h, std::string& out) {
    out.clear();
    if (h == "-") return true;
    if (h.size() % 2) return false;
    for (size_t i = 0; i < h.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(h[i])) || !std::isxdigit(static_cast<unsigned char>(h[i + 1])))
            return false;
        out += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
    }
    return true;
}

std::string serialize(PGPGroupSetRef set) {
    std::string out = "ORVGROUPS 1\r\n";
    for (auto& g : set->groups) {
        out += "G " + std::to_string(g.id) + " " + hexOf(g.name) + " " + hexOf(g.description) + "\r\n";
        for (auto& it : g.items) {
            if (it.type == kItemKey)
                out += "K " + std::to_string(g.id) + " " + keyIDHex(&it.keyID) + " " + std::to_string(it.algorithm) +
                       "\r\n";
            else
                out += "S " + std::to_string(g.id) + " " + std::to_string(it.groupID) + "\r\n";
        }
    }
    return out;
}

PGPError parse(PGPContextRef context, const std::string& text, PGPGroupSetRef* out) {
    if (text.rfind("ORVGROUPS 1", 0) != 0) return kErrArmorIncomplete;
    auto* set = new (std::nothrow) PGPGroupSet;
    if (!set) return kPGPError_OutOfMemory;
    set->context = context;
    size_t i = 0;
    bool ok = true;
    while (ok && i < text.size()) {
        size_t e = text.find('\n', i);
        std::string line = text.substr(i, e == std::string::npos ? std::string::npos : e - i);
        i = e == std::string::npos ? text.size() : e + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty() || line.rfind("ORVGROUPS", 0) == 0) continue;
        char kind = line[0];
        char a[256] = {}, b[256] = {};
        long id = 0;
        int fields = std::sscanf(line.c_str() + 1, " %ld %255s %255s", &id, a, b);
        if (kind == 'G' && fields == 3 && id > 0 && !findGroup(set, id)) {
            Group g;
            g.id = static_cast<PGPGroupID>(id);
            ok = unhex(a, g.name) && unhex(b, g.description) && g.name.size() <= kPGPMaxGroupNameLength &&
                 g.description.size() <= kPGPMaxGroupDescriptionLength;
            set->groups.push_back(g);
            set->nextID = std::max<PGPGroupID>(set->nextID, g.id + 1);
        } else if ((kind == 'K' || kind == 'S') && fields >= 2 && findGroup(set, id)) {
            PGPGroupItem item{};
            if (kind == 'K') {
                std::string hex = a;
                ok = hex.size() == 16 && std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(c); });
                makeKeyID(upper(hex), &item.keyID);
                item.type = kItemKey;
                item.algorithm = fields == 3 ? std::atoi(b) : 0;
            } else {
                item.type = kItemGroup;
                item.groupID = std::atoi(a);
            }
            if (ok) findGroup(set, id)->items.push_back(item);
        } else {
            ok = false;
        }
    }
    // References to groups the file does not hold, or that hold their own
    // group, are dropped rather than followed.
    for (auto& g : set->groups)
        g.items.erase(std::remove_if(g.items.begin(), g.items.end(),
                                     [&](const PGPGroupItem& it) {
                                         return it.type == kItemGroup &&
                                                (!findGroup(set, it.groupID) || holds(set, it.groupID, g.id));
                                     }),
                      g.items.end());
    if (!ok) {
        delete set;
        return kErrArmorIncomplete;
    }
    *out = set;
    return kPGPError_NoErr;
}

// Copies a group of one set into another under a new ID, with the groups it
// holds; returns the new ID.
PGPGroupID copyGroup(PGPGroupSetRef from, PGPGroupID id, PGPGroupSetRef to, std::map<PGPGroupID, PGPGroupID>& done,
                     int depth = 0) {
    auto known = done.find(id);
    if (known != done.end()) return known->second;
    Group* src = findGroup(from, id);
    if (!src || depth > kMaxDepth) return 0;
    Group g = *src;
    g.id = to->nextID++;
    done[id] = g.id;
    for (auto& it : g.items)
        if (it.type == kItemGroup) it.groupID = copyGroup(from, it.groupID, to, done, depth + 1);
    g.items.erase(std::remove_if(g.items.begin(), g.items.end(),
                                 [](const PGPGroupItem& it) { return it.type == kItemGroup && it.groupID == 0; }),
                  g.items.end());
    to->groups.push_back(g);
    to->dirty = true;
    return g.id;
}

KeyRecord* keyOfItem(PGPKeySetRef keys, const PGPGroupItem& item) {
    std::string hex = keyIDHex(&item.keyID);
    for (auto* k : setMembers(keys))
        if (k->self.keyid.size() >= hex.size() &&
            k->self.keyid.compare(k->self.keyid.size() - hex.size(), hex.size(), hex) == 0)
            return k;
    return nullptr;
}

}  // namespace

extern "C" {

PGPError PGP_CALL PGPNewGroupSet(PGPContextRef context, PGPGroupSetRef* outSet) {
    try {
        if (!outSet) return kPGPError_BadParams;
        *outSet = nullptr;
        if (!check(context)) return kPGPError_BadParams;
        auto* s = new (std::nothrow) PGPGroupSet;
        if (!s) return kPGPError_OutOfMemory;
        s->context = context;
        *outSet = s;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewGroupSetFromFile(PGPContextRef context, PGPFileSpecRef file, PGPGroupSetRef* outSet) {
    try {
        if (!outSet) return kPGPError_BadParams;
        *outSet = nullptr;
        if (!check(context) || !check(file)) return kPGPError_BadParams;
        if (!fileExists(file->path)) return kPGPError_FileNotFound;
        std::string text;
        if (!readFile(file->path, text)) return kPGPError_ReadFailed;
        return parse(context, text, outSet);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSaveGroupSetToFile(PGPGroupSetRef set, PGPFileSpecRef file) {
    try {
        if (!check(set) || !check(file)) return kPGPError_BadParams;
        if (!replaceFile(file->path, serialize(set))) return kPGPError_WriteFailed;
        set->dirty = false;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeGroupSet(PGPGroupSetRef set) {
    try {
        if (!check(set)) return kPGPError_BadParams;
        delete set;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPBoolean PGP_CALL PGPGroupSetNeedsCommit(PGPGroupSetRef set) {
    try {
        return check(set) && set->dirty;
    } ORV_EXPORT_GUARD
}
PGPContextRef PGP_CALL PGPGetGroupSetContext(PGPGroupSetRef set) {
    try {
        return check(set) ? set->context : nullptr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPExportGroupSetToBuffer(PGPGroupSetRef set, void** outBuffer, PGPSize* outLength) {
    try {
        if (outBuffer) *outBuffer = nullptr;
        if (outLength) *outLength = 0;
        if (!check(set) || !outBuffer || !outLength) return kPGPError_BadParams;
        std::string text = serialize(set);
        *outBuffer = allocCopy(contextMgr(set->context), text.data(), text.size(), false);
        if (!*outBuffer) return kPGPError_OutOfMemory;
        *outLength = static_cast<PGPSize>(text.size());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPImportGroupSetFromBuffer(PGPContextRef context, const void* buffer, PGPSize length,
                                              PGPGroupSetRef* outSet) {
    try {
        if (!outSet) return kPGPError_BadParams;
        *outSet = nullptr;
        if (!check(context) || (!buffer && length)) return kPGPError_BadParams;
        return parse(context, std::string(static_cast<const char*>(buffer), length), outSet);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewGroup(PGPGroupSetRef set, const char* name, const char* description, PGPGroupID* outID) {
    try {
        if (outID) *outID = 0;
        if (!check(set) || !name || !outID) return kPGPError_BadParams;
        Group g;
        g.name = name;
        g.description = description ? description : "";
        if (g.name.size() > kPGPMaxGroupNameLength || g.description.size() > kPGPMaxGroupDescriptionLength)
            return kPGPError_BadParams;
        g.id = set->nextID++;
        set->groups.push_back(g);
        set->dirty = true;
        *outID = g.id;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCountGroupsInSet(PGPGroupSetRef set, PGPUInt32* outCount) {
    try {
        if (outCount) *outCount = 0;
        if (!check(set) || !outCount) return kPGPError_BadParams;
        *outCount = static_cast<PGPUInt32>(set->groups.size());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetIndGroupID(PGPGroupSetRef set, PGPUInt32 index, PGPGroupID* outID) {
    try {
        if (outID) *outID = 0;
        if (!check(set) || !outID) return kPGPError_BadParams;
        if (index >= set->groups.size()) return kPGPError_ItemNotFound;
        *outID = set->groups[index].id;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPDeleteGroup(PGPGroupSetRef set, PGPGroupID id) {
    try {
        if (!check(set)) return kPGPError_BadParams;
        if (!findGroup(set, id)) return kPGPError_ItemNotFound;
        set->groups.erase(std::remove_if(set->groups.begin(), set->groups.end(), [&](const Group& g) { return g.id == id; }),
                          set->groups.end());
        // No group may keep holding the one that is gone.
        for (auto& g : set->groups)
            g.items.erase(std::remove_if(g.items.begin(), g.items.end(),
                                         [&](const PGPGroupItem& it) { return it.type == kItemGroup && it.groupID == id; }),
                          g.items.end());
        set->dirty = true;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPDeleteIndItemFromGroup(PGPGroupSetRef set, PGPGroupID id, PGPUInt32 index) {
    try {
        if (!check(set)) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g || index >= g->items.size()) return kPGPError_ItemNotFound;
        g->items.erase(g->items.begin() + index);
        set->dirty = true;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPDeleteItemFromGroup(PGPGroupSetRef set, PGPGroupID id, const PGPGroupItem* item) {
    try {
        if (!check(set) || !item) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g) return kPGPError_ItemNotFound;
        auto f = std::find_if(g->items.begin(), g->items.end(), [&](const PGPGroupItem& it) { return sameItem(it, *item); });
        if (f == g->items.end()) return kPGPError_ItemNotFound;
        g->items.erase(f);
        set->dirty = true;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetGroupInfo(PGPGroupSetRef set, PGPGroupID id, PGPGroupInfo* outInfo) {
    try {
        if (outInfo) std::memset(outInfo, 0, sizeof *outInfo);
        if (!check(set) || !outInfo) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g) return kPGPError_ItemNotFound;
        outInfo->id = g->id;
        std::snprintf(outInfo->name, sizeof outInfo->name, "%s", g->name.c_str());
        std::snprintf(outInfo->description, sizeof outInfo->description, "%s", g->description.c_str());
        outInfo->userValue = g->userValue;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSetGroupName(PGPGroupSetRef set, PGPGroupID id, const char* name) {
    try {
        if (!check(set) || !name || std::strlen(name) > kPGPMaxGroupNameLength) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g) return kPGPError_ItemNotFound;
        g->name = name;
        set->dirty = true;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSetGroupUserValue(PGPGroupSetRef set, PGPGroupID id, PGPUserValue value) {
    try {
        if (!check(set)) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g) return kPGPError_ItemNotFound;
        g->userValue = value;  // the caller's, never saved
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSetGroupDescription(PGPGroupSetRef set, PGPGroupID id, const char* description) {
    try {
        if (!check(set) || !description || std::strlen(description) > kPGPMaxGroupDescriptionLength)
            return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g) return kPGPError_ItemNotFound;
        g->description = description;
        set->dirty = true;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPAddItemToGroup(PGPGroupSetRef set, const PGPGroupItem* item, PGPGroupID id) {
    try {
        if (!check(set) || !item || (item->type != kItemGroup && item->type != kItemKey)) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g) return kPGPError_ItemNotFound;
        PGPGroupItem it = *item;
        if (it.type == kItemGroup) {
            // A group inside itself would make every walk over it endless.
            if (!findGroup(set, it.groupID)) return kPGPError_ItemNotFound;
            if (holds(set, it.groupID, id)) return kPGPError_BadParams;
        } else {
            std::string hex = keyIDHex(&it.keyID);
            if (hex.empty()) return kPGPError_BadParams;
            makeKeyID(hex, &it.keyID);  // only the bytes of this release's key IDs are kept
        }
        for (auto& x : g->items)
            if (sameItem(x, it)) return kPGPError_NoErr;  // already there
        g->items.push_back(it);
        set->dirty = true;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPMergeGroupIntoDifferentSet(PGPGroupSetRef fromSet, PGPGroupID id, PGPGroupSetRef toSet) {
    try {
        if (!check(fromSet) || !check(toSet) || fromSet == toSet) return kPGPError_BadParams;
        if (!findGroup(fromSet, id)) return kPGPError_ItemNotFound;
        std::map<PGPGroupID, PGPGroupID> done;
        return copyGroup(fromSet, id, toSet, done) ? kPGPError_NoErr : kPGPError_ItemNotFound;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPMergeGroupSets(PGPGroupSetRef fromSet, PGPGroupSetRef intoSet) {
    try {
        if (!check(fromSet) || !check(intoSet) || fromSet == intoSet) return kPGPError_BadParams;
        std::map<PGPGroupID, PGPGroupID> done;
        std::vector<PGPGroupID> ids;
        for (auto& g : fromSet->groups) ids.push_back(g.id);
        for (PGPGroupID id : ids) copyGroup(fromSet, id, intoSet, done);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCopyGroupSet(PGPGroupSetRef set, PGPGroupSetRef* outSet) {
    try {
        if (!outSet) return kPGPError_BadParams;
        *outSet = nullptr;
        if (!check(set)) return kPGPError_BadParams;
        auto* c = new (std::nothrow) PGPGroupSet(*set);
        if (!c) return kPGPError_OutOfMemory;
        *outSet = c;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCountGroupItems(PGPGroupSetRef set, PGPGroupID id, PGPBoolean recursive, PGPUInt32* outKeys,
                                     PGPUInt32* outTotal) {
    try {
        if (outKeys) *outKeys = 0;
        if (outTotal) *outTotal = 0;
        if (!check(set)) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g) return kPGPError_ItemNotFound;
        PGPUInt32 keys = 0;
        if (recursive) {
            std::vector<PGPGroupItem> all;
            std::set<std::string> seen;
            flatten(set, id, all, seen);
            keys = static_cast<PGPUInt32>(all.size());
        } else {
            for (auto& it : g->items) keys += it.type == kItemKey;
        }
        if (outKeys) *outKeys = keys;
        if (outTotal) *outTotal = static_cast<PGPUInt32>(g->items.size());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetIndGroupItem(PGPGroupSetRef set, PGPGroupID id, PGPUInt32 index, PGPGroupItem* outItem) {
    try {
        if (outItem) std::memset(outItem, 0, sizeof *outItem);
        if (!check(set) || !outItem) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g || index >= g->items.size()) return kPGPError_ItemNotFound;
        *outItem = g->items[index];
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSetIndGroupItemUserValue(PGPGroupSetRef set, PGPGroupID id, PGPUInt32 index, PGPUserValue value) {
    try {
        if (!check(set)) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g || index >= g->items.size()) return kPGPError_ItemNotFound;
        g->items[index].userValue = value;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSortGroupItems(PGPGroupSetRef set, PGPGroupID id, PGPGroupItemCompareProc compare,
                                    PGPUserValue userValue) {
    try {
        if (!check(set) || !compare) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g) return kPGPError_ItemNotFound;
        std::stable_sort(g->items.begin(), g->items.end(), [&](PGPGroupItem a, PGPGroupItem b) {
            return compare(&a, &b, userValue) < 0;
        });
        set->dirty = true;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSortGroupSet(PGPGroupSetRef set, PGPGroupItemCompareProc compare, PGPUserValue userValue) {
    try {
        if (!check(set) || !compare) return kPGPError_BadParams;
        for (auto& g : set->groups) PGPSortGroupItems(set, g.id, compare, userValue);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewGroupItemIter(PGPGroupSetRef set, PGPGroupID id, PGPFlags flags, PGPGroupItemIterRef* outIter) {
    try {
        if (!outIter) return kPGPError_BadParams;
        *outIter = nullptr;
        if (!check(set)) return kPGPError_BadParams;
        Group* g = findGroup(set, id);
        if (!g) return kPGPError_ItemNotFound;
        auto* it = new (std::nothrow) PGPGroupItemIter;
        if (!it) return kPGPError_OutOfMemory;
        if (flags & kIterRecursive) {
            // Depth first: a held group is handed out before its own items.
            std::function<void(const Group&, int)> walk = [&](const Group& grp, int depth) {
                for (auto& item : grp.items) {
                    if (item.type == kItemGroup) {
                        if (!(flags & kIterKeysOnly)) it->items.push_back(item);
                        if (Group* inner = findGroup(set, item.groupID); inner && depth < kMaxDepth) walk(*inner, depth + 1);
                    } else {
                        it->items.push_back(item);
                    }
                }
            };
            walk(*g, 0);
        } else {
            for (auto& item : g->items)
                if (item.type == kItemKey || !(flags & kIterKeysOnly)) it->items.push_back(item);
        }
        *outIter = it;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeGroupItemIter(PGPGroupItemIterRef iter) {
    try {
        if (!check(iter)) return kPGPError_BadParams;
        delete iter;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGroupItemIterNext(PGPGroupItemIterRef iter, PGPGroupItem* outItem) {
    try {
        if (outItem) std::memset(outItem, 0, sizeof *outItem);
        if (!check(iter) || !outItem) return kPGPError_BadParams;
        if (iter->next >= iter->items.size()) return kPGPError_EndOfIteration;
        *outItem = iter->items[iter->next++];
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetGroupLowestValidity(PGPGroupSetRef set, PGPGroupID id, PGPKeySetRef keySet,
                                            PGPValidity* outValidity, PGPUInt32* outNotFound) {
    try {
        if (outValidity) *outValidity = 0;
        if (outNotFound) *outNotFound = 0;
        if (!check(set) || !check(keySet) || !outValidity) return kPGPError_BadParams;
        if (!findGroup(set, id)) return kPGPError_ItemNotFound;
        std::vector<PGPGroupItem> keys;
        std::set<std::string> seen;
        flatten(set, id, keys, seen);
        int lowest = -1;
        PGPUInt32 missing = 0;
        for (auto& item : keys) {
            KeyRecord* k = keyOfItem(keySet, item);
            if (!k) {
                ++missing;
                continue;
            }
            int v = keyValidity(k);
            lowest = lowest < 0 ? v : std::min(lowest, v);
        }
        *outValidity = lowest < 0 ? 0 : lowest;
        if (outNotFound) *outNotFound = missing;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewKeySetFromGroup(PGPGroupSetRef set, PGPGroupID id, PGPKeySetRef keySet, PGPKeySetRef* outKeys,
                                        PGPUInt32* outNotFound) {
    try {
        if (outKeys) *outKeys = nullptr;
        if (outNotFound) *outNotFound = 0;
        if (!check(set) || !check(keySet) || !outKeys) return kPGPError_BadParams;
        if (!findGroup(set, id)) return kPGPError_ItemNotFound;
        std::vector<PGPGroupItem> keys;
        std::set<std::string> seen;
        flatten(set, id, keys, seen);
        PGPKeySetRef out = nullptr;
        PGPError err = newKeySet(keySet->db, false, &out);
        if (err) return err;
        PGPUInt32 missing = 0;
        for (auto& item : keys) {
            KeyRecord* k = keyOfItem(keySet, item);
            if (!k) ++missing;
            else if (std::find(out->members.begin(), out->members.end(), k) == out->members.end()) out->members.push_back(k);
        }
        *outKeys = out;
        if (outNotFound) *outNotFound = missing;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewFlattenedGroupFromGroup(PGPGroupSetRef sourceSet, PGPGroupID sourceID, PGPGroupSetRef destSet,
                                                PGPGroupID* outID) {
    try {
        if (outID) *outID = 0;
        if (!check(sourceSet) || !check(destSet) || !outID) return kPGPError_BadParams;
        Group* src = findGroup(sourceSet, sourceID);
        if (!src) return kPGPError_ItemNotFound;
        Group g;
        g.name = src->name;
        g.description = src->description;
        std::set<std::string> seen;
        flatten(sourceSet, sourceID, g.items, seen);
        g.id = destSet->nextID++;
        destSet->groups.push_back(g);
        destSet->dirty = true;
        *outID = g.id;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSortGroupSetStd(PGPGroupSetRef set, PGPKeySetRef keySet) {
    try {
        if (!check(set) || (keySet && !check(keySet))) return kPGPError_BadParams;
        auto byName = [](const std::string& a, const std::string& b) { return upper(a) < upper(b); };
        std::stable_sort(set->groups.begin(), set->groups.end(),
                         [&](const Group& a, const Group& b) { return byName(a.name, b.name); });
        // Groups by name first, then keys by their primary user ID.
        for (auto& g : set->groups) {
            auto label = [&](const PGPGroupItem& it) {
                if (it.type == kItemGroup) {
                    Group* inner = findGroup(set, it.groupID);
                    return inner ? inner->name : std::string();
                }
                KeyRecord* k = keySet ? keyOfItem(keySet, it) : nullptr;
                return k ? primaryUserID(k) : keyIDHex(&it.keyID);
            };
            std::stable_sort(g.items.begin(), g.items.end(), [&](const PGPGroupItem& a, const PGPGroupItem& b) {
                if (a.type != b.type) return a.type == kItemGroup;
                return byName(label(a), label(b));
            });
        }
        set->dirty = true;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT(PGPNewGroupSet);
SDK_EXPORT(PGPNewGroupSetFromFile);
SDK_EXPORT(PGPSaveGroupSetToFile);
SDK_EXPORT(PGPFreeGroupSet);
SDK_EXPORT(PGPGroupSetNeedsCommit);
SDK_EXPORT(PGPGetGroupSetContext);
SDK_EXPORT(PGPExportGroupSetToBuffer);
SDK_EXPORT(PGPImportGroupSetFromBuffer);
SDK_EXPORT(PGPNewGroup);
SDK_EXPORT(PGPCountGroupsInSet);
SDK_EXPORT(PGPGetIndGroupID);
SDK_EXPORT(PGPDeleteGroup);
SDK_EXPORT(PGPDeleteIndItemFromGroup);
SDK_EXPORT(PGPDeleteItemFromGroup);
SDK_EXPORT(PGPGetGroupInfo);
SDK_EXPORT(PGPSetGroupName);
SDK_EXPORT(PGPSetGroupUserValue);
SDK_EXPORT(PGPSetGroupDescription);
SDK_EXPORT(PGPAddItemToGroup);
SDK_EXPORT(PGPMergeGroupIntoDifferentSet);
SDK_EXPORT(PGPMergeGroupSets);
SDK_EXPORT(PGPCopyGroupSet);
SDK_EXPORT(PGPCountGroupItems);
SDK_EXPORT(PGPGetIndGroupItem);
SDK_EXPORT(PGPSetIndGroupItemUserValue);
SDK_EXPORT(PGPSortGroupItems);
SDK_EXPORT(PGPSortGroupSet);
SDK_EXPORT(PGPNewGroupItemIter);
SDK_EXPORT(PGPFreeGroupItemIter);
SDK_EXPORT(PGPGroupItemIterNext);
SDK_EXPORT(PGPGetGroupLowestValidity);
SDK_EXPORT(PGPNewKeySetFromGroup);
SDK_EXPORT(PGPNewFlattenedGroupFromGroup);
SDK_EXPORT(PGPSortGroupSetStd);

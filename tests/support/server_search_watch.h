#pragma once
// Watches, through the loader's table, what a key-server search takes from
// the engine and gives back: the key databases whose root set the search
// peeks (the found keys of release 7) and whether they are freed, and the
// references to the data filters made meanwhile (made, added, freed, or
// handed on to a filter that joins them).

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/sdk_table.h"

namespace orv::test {

class ServerSearchWatch {
public:
    ServerSearchWatch() {
        auto& t = sdk::Sdk();
        saved_ = t;
        Self() = this;
        t.PGPPeekKeyDBRootKeySet = &Peek;
        t.PGPFreeKeyDB = &FreeDB;
        t.PGPNewKeyDBObjDataFilter = &NewDataFilter;
        t.PGPIncFilterRefCount = &IncFilter;
        t.PGPFreeFilter = &FreeFilter;
        t.PGPIntersectFilters = &Intersect;
        t.PGPUnionFilters = &Union;
        t.PGPNegateFilter = &Negate;
        t.PGPNewKeyDBObjBooleanFilter = &BooleanFilter;
        t.PGPNewKeyDBObjNumericFilter = &NumericFilter;
        t.PGPNewKeyDBObjTimeFilter = &TimeFilter;
    }
    ~ServerSearchWatch() {
        sdk::Sdk() = saved_;
        Self() = nullptr;
    }
    ServerSearchWatch(const ServerSearchWatch&) = delete;
    ServerSearchWatch& operator=(const ServerSearchWatch&) = delete;

    // Databases peeked and not freed, other than the user's rings.
    std::vector<PGPKeyDBRef> LeakedDatabases(PGPKeyDBRef rings) const {
        std::vector<PGPKeyDBRef> leaked;
        for (PGPKeyDBRef db : peeked_)
            if (db != rings && std::find(freed_.begin(), freed_.end(), db) == freed_.end() &&
                std::find(leaked.begin(), leaked.end(), db) == leaked.end())
                leaked.push_back(db);
        return leaked;
    }
    std::size_t Peeked() const { return peeked_.size(); }
    // References to data filters still held: 0 when every one went back.
    int FilterReferences() const {
        int held = 0;
        for (const auto& [filter, refs] : filters_) held += refs;
        return held;
    }
    std::size_t DataFilters() const { return filters_.size(); }
    // Each data filter's references still held, in the order made.
    std::string Held() const {
        std::string out;
        for (PGPFilterRef f : order_) {
            const auto it = filters_.find(f);
            out += it == filters_.end() ? "- " : std::to_string(it->second) + " ";
        }
        return out;
    }

private:
    static ServerSearchWatch*& Self() {
        static ServerSearchWatch* self = nullptr;
        return self;
    }
    // Another filter made where a freed data filter was: no longer watched.
    PGPError Made(PGPError err, PGPFilterRef* out) {
        if (err == kPGPError_NoErr && out && *out) filters_.erase(*out);
        return err;
    }
    void Drop(PGPFilterRef f) {
        const auto it = filters_.find(f);
        if (it != filters_.end()) --it->second;
    }
    static PGPKeySetRef PGP_CALL Peek(PGPKeyDBRef db) {
        ServerSearchWatch* w = Self();
        w->peeked_.push_back(db);
        return w->saved_.PGPPeekKeyDBRootKeySet(db);
    }
    static PGPError PGP_CALL FreeDB(PGPKeyDBRef db) {
        ServerSearchWatch* w = Self();
        w->freed_.push_back(db);
        return w->saved_.PGPFreeKeyDB(db);
    }
    static PGPError PGP_CALL NewDataFilter(PGPContextRef c, PGPKeyDBObjProperty p, const void* d, PGPSize n,
                                           PGPMatchCriterion m, PGPFilterRef* out) {
        ServerSearchWatch* w = Self();
        const PGPError err = w->saved_.PGPNewKeyDBObjDataFilter(c, p, d, n, m, out);
        if (err == kPGPError_NoErr && out && *out) {
            w->order_.push_back(*out);
            w->filters_[*out] = 1;
        }
        return err;
    }
    static PGPError PGP_CALL IncFilter(PGPFilterRef f) {
        ServerSearchWatch* w = Self();
        const PGPError err = w->saved_.PGPIncFilterRefCount(f);
        const auto it = w->filters_.find(f);
        if (err == kPGPError_NoErr && it != w->filters_.end()) ++it->second;
        return err;
    }
    static PGPError PGP_CALL FreeFilter(PGPFilterRef f) {
        ServerSearchWatch* w = Self();
        w->Drop(f);
        return w->saved_.PGPFreeFilter(f);
    }
    // A joined filter takes over the references of the two it joins.
    static PGPError PGP_CALL Intersect(PGPFilterRef a, PGPFilterRef b, PGPFilterRef* out) {
        ServerSearchWatch* w = Self();
        w->Drop(a);
        w->Drop(b);
        return w->Made(w->saved_.PGPIntersectFilters(a, b, out), out);
    }
    static PGPError PGP_CALL Union(PGPFilterRef a, PGPFilterRef b, PGPFilterRef* out) {
        ServerSearchWatch* w = Self();
        w->Drop(a);
        w->Drop(b);
        return w->Made(w->saved_.PGPUnionFilters(a, b, out), out);
    }
    static PGPError PGP_CALL Negate(PGPFilterRef f, PGPFilterRef* out) {
        ServerSearchWatch* w = Self();
        w->Drop(f);
        return w->Made(w->saved_.PGPNegateFilter(f, out), out);
    }
    static PGPError PGP_CALL BooleanFilter(PGPContextRef c, PGPKeyDBObjProperty p, PGPBoolean m, PGPFilterRef* out) {
        ServerSearchWatch* w = Self();
        return w->Made(w->saved_.PGPNewKeyDBObjBooleanFilter(c, p, m, out), out);
    }
    static PGPError PGP_CALL NumericFilter(PGPContextRef c, PGPKeyDBObjProperty p, PGPUInt32 v, PGPMatchCriterion m,
                                           PGPFilterRef* out) {
        ServerSearchWatch* w = Self();
        return w->Made(w->saved_.PGPNewKeyDBObjNumericFilter(c, p, v, m, out), out);
    }
    static PGPError PGP_CALL TimeFilter(PGPContextRef c, PGPKeyDBObjProperty p, PGPTime v, PGPMatchCriterion m,
                                        PGPFilterRef* out) {
        ServerSearchWatch* w = Self();
        return w->Made(w->saved_.PGPNewKeyDBObjTimeFilter(c, p, v, m, out), out);
    }

    sdk::Table saved_;
    std::vector<PGPKeyDBRef> peeked_, freed_;
    std::map<PGPFilterRef, int> filters_;
    std::vector<PGPFilterRef> order_;
};

}  // namespace orv::test

#pragma once
// gpg over the scratch directory that the Windows test programs and the Linux
// tools share: what it reads of key files, and its reading of a PGP block
// with the test keys imported.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/unix_scratch.h"

namespace orv::test {

class KeyShell : public UnixScratch {
public:
    // keyData: the folder of the test keys ("alice_pub.asc", "bob_sec.asc", ...).
    explicit KeyShell(const std::string& prefix = "orv_gpg", const std::string& keyData = "")
        : UnixScratch(prefix), keyData_(keyData) {}

    // The primary fingerprints gpg reads from a key file (upper-case hex),
    // with "sec" or "pub" in front.
    std::vector<std::string> Keys(const std::string& unixFile) {
        const std::string out = Run("gpg --batch --with-colons --show-keys " + unixFile);
        std::vector<std::string> keys;
        std::string kind;
        size_t pos = 0;
        while (pos < out.size()) {
            size_t end = out.find('\n', pos);
            if (end == std::string::npos) end = out.size();
            const std::string line = out.substr(pos, end - pos);
            pos = end + 1;
            if (line.rfind("pub:", 0) == 0 || line.rfind("sec:", 0) == 0) {
                kind = line.substr(0, 3);
            } else if (line.rfind("fpr:", 0) == 0 && !kind.empty()) {
                const size_t last = line.find_last_not_of(':');
                const size_t first = line.find_last_of(':', last);
                keys.push_back(kind + " " + line.substr(first + 1, last - first));
                kind.clear();  // the next fpr lines are the subkeys'
            }
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    }
    // The keys of a copy of a file the Windows side holds (a ring of the engine).
    std::vector<std::string> KeysOfCopy(const std::string& winFile) {
        CopyFileA(winFile.c_str(), (Win() + "ring.gpg").c_str(), FALSE);
        return Keys(Unix() + "ring.gpg");
    }
    // gpg's "pub" line of a public key of the test keys ("alice", ...).
    std::string KeyOf(const std::string& name) {
        const auto keys = Keys(keyData_ + "/" + name + "_pub.asc");
        return keys.size() == 1 ? keys[0] : "<" + std::to_string(keys.size()) + " keys in " + name + ">";
    }

    // gpg, holding the test keys named, reads a PGP block ("--decrypt",
    // "--verify"): its status lines, then a blank line and the plain text.
    std::string ReadBlock(const std::string& block, const std::string& action,
                          const std::vector<std::string>& keyFiles) {
        if (!ReplaceWholeFile(Win() + "block.asc", block)) return "<no block written>";
        std::string imports;
        for (const std::string& file : keyFiles) imports += " " + keyData_ + "/" + file;
        return Run("gpg --batch -q --import" + imports + " 2>/dev/null; gpg --batch --status-fd 1 -o " + Unix() +
                   "plain.txt " + action + " " + Unix() + "block.asc 2>/dev/null; echo; cat " + Unix() +
                   "plain.txt 2>/dev/null");
    }

private:
    std::string keyData_;
};

// From the first begin through the end after it, with a line end, as gpg
// reads a block; empty without both.
inline std::string Between(const std::string& text, const std::string& begin, const std::string& end) {
    const size_t a = text.find(begin);
    if (a == std::string::npos) return {};
    const size_t b = text.find(end, a);
    return b == std::string::npos ? std::string() : text.substr(a, b + end.size() - a) + "\r\n";
}

// Field n of the first line of the kind in gpg's colon listing.
inline std::string ColonField(const std::string& listing, const std::string& kind, size_t n) {
    for (size_t at = 0; at < listing.size();) {
        const size_t end = std::min(listing.find('\n', at), listing.size());
        if (listing.compare(at, kind.size() + 1, kind + ":") == 0) {
            size_t field = at;
            for (size_t i = 0; i < n && field < end; ++i) {
                const size_t colon = listing.find(':', field);
                field = colon < end ? colon + 1 : end;
            }
            return field < end ? listing.substr(field, std::min(listing.find(':', field), end) - field) : std::string();
        }
        at = end + 1;
    }
    return {};
}

}  // namespace orv::test

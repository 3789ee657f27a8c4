#pragma once
// gpg's reading of key files, over the scratch directory that the Windows
// test programs and the Linux tools share.

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/unix_scratch.h"

namespace orv::test {

class KeyShell : public UnixScratch {
public:
    explicit KeyShell(const std::string& prefix = "orv_gpg") : UnixScratch(prefix) {}

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
};

}  // namespace orv::test

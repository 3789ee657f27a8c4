#pragma once
// The string library bound for the plug-in: one text per number 12 to 108,
// fetched by ordinal from "Lumvika.dll" in the installation directory; the
// few other texts its messages are made of are fetched when used.

#include <windows.h>

#include <string>

#include "strings/text_table.h"

namespace orv::automation {

class TPLUtils;

class TStringLibrary {
public:
    static constexpr int kFirst = 12;
    static constexpr int kLast = 108;

    enum class Bound { Ok, Unavailable, LanguageMismatch };

    TStringLibrary() = default;

    // Loads the library only when its version equals the plug-in's, binds the
    // texts and runs the language check of "Merrowin.cfg" [Language] Check.
    Bound Bind(const TPLUtils& utils);
    bool Loaded() const { return table_.Loaded(); }
    // The text; "" for one the library lacks. Numbers outside 12-108 are
    // looked up when asked.
    const char* Text(int number) const { return table_.Text(number); }
    const char* operator[](txt::TextNo number) const { return Text(number); }
    void Unload() { table_.Unload(); }

private:
    bool LanguageMatches(const TPLUtils& utils) const;

    texts::TextTable table_{kFirst, kLast};
};

// The host's language code ("en" for English) by the language file it
// holds open in its program directory; "" when none is held.
std::string HostLanguage(const std::string& programDir);

}  // namespace orv::automation

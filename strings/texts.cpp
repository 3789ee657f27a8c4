// The three text tables and the text functions exported by number.
#include "strings/texts.h"

#include <array>

#include "strings/text_list.h"

namespace orv::strings {
namespace {

template <int First, int Last>
struct TextTable {
    static constexpr int kFirst = First;
    static constexpr int kLast = Last;
    std::array<const char*, Last - First + 1> texts{};

    constexpr const char* Get(int number) const {
        if (number < First || number > Last) return "";
        const char* text = texts[number - First];
        return text ? text : "";
    }
};

// Each list must hold its range in number order without gaps, so that the
// number is the position and no text is lost to a slip in the list.
template <class Table>
struct TableBuilder {
    Table table{};
    int next = Table::kFirst;
    bool ordered = true;

    constexpr void Add(int number, const char* text) {
        if (number != next || number > Table::kLast) {
            ordered = false;
            return;
        }
        table.texts[number - Table::kFirst] = text;
        ++next;
    }
    constexpr bool Complete() const { return ordered && next == Table::kLast + 1; }
};

#define ORV_ADD_TEXT(number, name, text) b.Add(number, text);

using LauncherTable = TextTable<1, 11>;
using PluginTable = TextTable<12, 108>;
using MainTable = TextTable<109, 369>;

constexpr auto kLauncherBuild = [] {
    TableBuilder<LauncherTable> b;
    ORV_LAUNCHER_TEXTS(ORV_ADD_TEXT)
    return b;
}();
constexpr auto kPluginBuild = [] {
    TableBuilder<PluginTable> b;
    ORV_PLUGIN_TEXTS(ORV_ADD_TEXT)
    return b;
}();
constexpr auto kMainBuild = [] {
    TableBuilder<MainTable> b;
    ORV_MAIN_TEXTS(ORV_ADD_TEXT)
    return b;
}();

#undef ORV_ADD_TEXT

static_assert(kLauncherBuild.Complete(), "launcher texts must be 1-11 in order");
static_assert(kPluginBuild.Complete(), "plug-in texts must be 12-108 in order");
static_assert(kMainBuild.Complete(), "main library texts must be 109-369 in order");
static_assert(LauncherTable::kFirst == kFirstText && MainTable::kLast == kLastText);

constexpr LauncherTable kLauncherTexts = kLauncherBuild.table;
constexpr PluginTable kPluginTexts = kPluginBuild.table;
constexpr MainTable kMainTexts = kMainBuild.table;

}  // namespace

const char* LauncherText(int number) { return kLauncherTexts.Get(number); }
const char* PluginText(int number) { return kPluginTexts.Get(number); }
const char* MainText(int number) { return kMainTexts.Get(number); }

}  // namespace orv::strings

// Consumers bind these by ordinal through a stdcall pointer without
// arguments; the .def exports them under their plain names.
#define ORV_LAUNCHER_EXPORT(number, name, text) \
    extern "C" const char* __stdcall name() { return orv::strings::LauncherText(number); }
#define ORV_PLUGIN_EXPORT(number, name, text) \
    extern "C" const char* __stdcall name() { return orv::strings::PluginText(number); }
#define ORV_MAIN_EXPORT(number, name, text) \
    extern "C" const char* __stdcall name() { return orv::strings::MainText(number); }

ORV_LAUNCHER_TEXTS(ORV_LAUNCHER_EXPORT)
ORV_PLUGIN_TEXTS(ORV_PLUGIN_EXPORT)
ORV_MAIN_TEXTS(ORV_MAIN_EXPORT)

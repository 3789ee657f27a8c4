// Part listing of arbitrary messages, then viewing and saving every entry.
#include "formats/mcfuncs.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

using orv::TMCFuncs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);

    TMCFuncs mc;
    mc.Services.Text = [](int number) { return std::string(" File:"); };
    mc.Services.Decode = [](const std::string& block) -> std::optional<std::string> {
        if (block.size() % 2) return std::nullopt;
        return block.substr(block.size() / 2);
    };
    mc.Services.ShowText = [](const std::string&) {};
    mc.Services.Error = [](const std::string&) {};
    mc.Services.WriteFile = [](const std::string&, std::string_view) { return true; };

    const bool listed = mc.SaveMimeAttachments(in);
    if (listed != !mc.slMimeParts.empty() || mc.NestingLevel != 0) std::abort();
    for (const orv::TMimePart& part : mc.slMimeParts) {
        part.Caption();
        if (part.Data().size() > part.Entry.size()) std::abort();
        mc.ViewData(part);
        mc.SaveData(part, "x");
    }
    mc.ClearMimeParts();
    return 0;
}

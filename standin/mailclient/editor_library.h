#pragma once
// The client's hold on its editor library "TER32.dll": loaded from the
// program directory before any extension, kept until the client ends. Message
// texts of editors, readers and previews live in its "TER32CLASS" controls.

#include <windows.h>

#include <string>

#include "standin/mailclient/handles.h"
#include "standin/ter32/ter32_api.h"

namespace orv::mailclient {

class EditorLibrary {
public:
    // False with the reason when the library or one of its functions is missing.
    bool Load(const std::string& programDir, std::string* error);
    bool Loaded() const { return bool(module_); }

    // A control of the library's class: writable in editors, read-only in
    // readers and previews.
    HWND Create(HWND parent, int id, bool readOnly, int x, int y, int w, int h) const;
    // The whole text, CR LF line ends.
    std::string Text(HWND control) const;
    std::string Selection(HWND control) const;
    void SetText(HWND control, const std::string& text) const;
    bool ReadOnly(HWND control) const;
    // Inserts at the caret (editors) or at the start.
    bool Insert(HWND control, const std::string& text, bool atStart) const;

private:
    UniqueModule module_;
    ter32::GetTerBufferFn getBuffer_ = nullptr;
    ter32::TerGetTextSelFn getSelection_ = nullptr;
    ter32::TerGetReadOnlyFn getReadOnly_ = nullptr;
    ter32::TerInsertTextFn insert_ = nullptr;
};

}  // namespace orv::mailclient

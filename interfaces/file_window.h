#pragma once
// How the file encryption window is known from outside its process: the
// launcher's second start looks for it by these, so both sides take them from
// here.

namespace orv::ui {

constexpr const char* kServerWindowClass = "TfrmServer";
// Every caption of the window begins with this.
constexpr const char* kServerCaption = "Server: ";

}  // namespace orv::ui

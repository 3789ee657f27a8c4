#pragma once
// "PGPHelp": a topic of the PGP installation's help, in the system directory.

#include <string>

namespace orv::launcher {

void ShowPGPHelp(const std::string& topic);

}  // namespace orv::launcher

// Placeholder until the SDK loader lands: loading always succeeds.
#include "engine/loader.h"

namespace orv::loader {
bool Load(Scope) { return true; }
void Unload() {}
int FatalCode() { return 0; }
}  // namespace orv::loader

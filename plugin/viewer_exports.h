#pragma once
// The viewer's part of the MIME toolkit's services: view decoding, the
// listing's decode and the modal text display. The library start fills them in.

#include "formats/mcfuncs.h"

namespace orv {

void WireViewerServices(TMimeServices& services);

}  // namespace orv

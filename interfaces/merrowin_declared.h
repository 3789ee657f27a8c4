#pragma once
// Every export declared from the one table, so that a definition which
// strays from it in result or parameters does not compile.
#include "interfaces/merrowin_exports.h"

#define ORV_MERROWIN_DECLARE(ordinal, name, result, params) extern "C" result WINAPI name params;
ORV_MERROWIN_EXPORTS(ORV_MERROWIN_DECLARE)
#undef ORV_MERROWIN_DECLARE

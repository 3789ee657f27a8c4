// Stands for an engine library that an extension loads by its plain name.
#include <windows.h>

extern "C" int WINAPI ProbeVersion() { return 7; }

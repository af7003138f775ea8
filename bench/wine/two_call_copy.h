#pragma once
// A tree copy the way Wine's reg.exe makes it: one RegQueryInfoKey per key, buffers sized from it
// once, and each value read together with its name by RegEnumValue, so two registry calls per
// value. Timed beside isreloc's own copy in the same process, it shows what the calls per value
// cost apart from process start-up.
#include <windows.h>

// Copies source's values and whole subkey tree into target; false on the first refused call.
bool copyTreeTwoCallsPerValue(HKEY source, HKEY target);

// frei0r.h declares the plug-in's functions without C linkage for C++; every file of the
// bridge includes it through here so the declarations and definitions agree.
#pragma once

extern "C" {
#include <frei0r.h>
}

#pragma once
// frei0r's header declares its functions without C linkage for C++.
extern "C" {
#include <frei0r.h>
}

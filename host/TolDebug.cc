// The engine-wide trace level; agents and the engine read it before every trace.
#include "host/TolDebug.h"

extern "C" {
int __Tolvane_Debug_Level = 0;
}

// The engine-wide trace level; agents and the engine read it before every trace.
#include "host/TolDebug.h"

extern "C" {
TolDebugLevel __Tolvane_Debug_Level = 0;
}

// Engine-wide trace level. Agents write their traces to standard output when the level is at
// least the level of the message; 0 silences them.
#pragma once

extern "C" int __Tolvane_Debug_Level;

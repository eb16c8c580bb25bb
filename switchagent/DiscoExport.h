// Marks what the agent plug-in exports: the factory, the version constants and the agent classes.
// Everything else in the plug-in is hidden (-fvisibility=hidden).
#pragma once

#define DISCO_EXPORT __attribute__((visibility("default")))

// How a device's refused MAC values are reported: values of MAC syntax that were not six octets,
// and MAC indexes that were not six sub-identifiers, which the requester kept from the agent
// (CDiscoRefusedValues). They do not change the device's status: its tables were read, and the
// rows went to the agent without those values.
#pragma once

#include <map>
#include <string>

#include "engine/base/JsonText.h"

namespace disco {

// Counts by column name ("ifPhysAddress", "dot1dTpFdbStatus index").
using RefusedMacCounts = std::map<std::string, long>;

// {"ifPhysAddress": 2, ...}: the results' "refused_mac_values" object.
Json RefusedMacJson(const RefusedMacCounts& counts);
// The summary's warning line, indented and ending in a newline; empty when nothing was refused:
// "  warning: 3 values that are not MAC addresses left out (ifPhysAddress 2, ...)\n".
std::string RefusedMacWarning(const RefusedMacCounts& counts);

}  // namespace disco

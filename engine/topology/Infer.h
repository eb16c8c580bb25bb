// The topology of a network from its switches' forwarding tables and neighbour-protocol claims.
//
// 1. Identity: a MAC address that is one of a discovered switch's (bridge, system or interface
//    MAC) stands for that switch; a claim's remote switch is matched by MAC, then by address; a
//    remote switch that matches none is a switch outside the scope, kept by its MAC (else its
//    chassis text, else its address) and name. A claim of an end station is no switch's.
// 2. Links heard by a neighbour protocol: claims on both ends that name each other's ports are
//    one link; a claim without its reverse is a link too, its far port from the claim. A link
//    EDP and another protocol both heard is one link with EDP's evidence. A port whose links
//    lead to several switches is a shared segment.
// 3. Links without a neighbour protocol: inferred from the forwarding tables, which are
//    incomplete (entries age out). ForwardingTree.cc describes the method.
// 4. Hosts: every MAC address that is not a switch's goes on the one edge port (a port without a
//    link to another switch) where it is seen; when no edge port lists it, the ports that see it
//    point at the switch it is behind; what stays ambiguous is undecided, with its candidates.
//    A shared segment counts as an edge port, after the real ones; an end station a neighbour
//    protocol heard is on the port that heard it.
#pragma once

#include "engine/topology/Network.h"
#include "engine/topology/Topology.h"

namespace disco {
namespace topology {

// Infers the topology of `network`. Never fails: what the data cannot decide is reported as
// undecided hosts, and switches no link reaches stay unlinked. Time and memory are near-linear
// in the number of forwarding entries.
Topology Infer(const Network& network);

}  // namespace topology
}  // namespace disco

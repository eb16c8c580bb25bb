#!/usr/bin/env python3
"""Writes the .snmprec recordings of the sample network from the description below.

The sample network is three Extreme switches: a chassis switch, core-1 (ports numbered
ifIndex = slot * 1000 + port), and two stackable edge switches, edge-1 and edge-2 (ports numbered
from 1), linked through EDP:

    core-1 1:1  <->  edge-1 1:8     trunk: Default untagged, users and voice tagged
    core-1 2:1  <->  edge-2 1:8     trunk: Default untagged, users tagged
    edge-1 1:7  <->  edge-2 1:7     redundant link, blocked by spanning tree at edge-2

VLANs (Extreme global identifier, 802.1Q tag): Default (1, untagged only), users (2, tag 10),
voice (3, tag 20), servers (4, tag 30, untagged only). Hosts with their access ports are listed
in HOSTS. edge-2 has no Extreme FDB table: its forwarding database is the bridge's dot1dTpFdb
table. The addresses inside the recordings (10.0.0.0/16) are data only: the switches are served
on loopback addresses by snmpsim (see examples/sample-network.yaml).

Run it after changing the description; the recordings are committed.
"""

import os

HERE = os.path.dirname(os.path.abspath(__file__))

# Object identifiers, from IF-MIB, IP-MIB, BRIDGE-MIB and the Extreme MIB modules.
SYS_DESCR = "1.3.6.1.2.1.1.1.0"
SYS_OBJECT_ID = "1.3.6.1.2.1.1.2.0"
SYS_UPTIME = "1.3.6.1.2.1.1.3.0"
SYS_NAME = "1.3.6.1.2.1.1.5.0"
IF_DESCR = "1.3.6.1.2.1.2.2.1.2"
IF_TYPE = "1.3.6.1.2.1.2.2.1.3"
IF_PHYS_ADDRESS = "1.3.6.1.2.1.2.2.1.6"
IF_OPER_STATUS = "1.3.6.1.2.1.2.2.1.8"
IP_AD_ENT_IF_INDEX = "1.3.6.1.2.1.4.20.1.2"
IP_NET_TO_MEDIA_PHYS = "1.3.6.1.2.1.4.22.1.2"
DOT1D_BASE_BRIDGE_ADDRESS = "1.3.6.1.2.1.17.1.1.0"
DOT1D_BASE_PORT_IF_INDEX = "1.3.6.1.2.1.17.1.4.1.2"
DOT1D_STP_PORT_STATE = "1.3.6.1.2.1.17.2.15.1.3"
DOT1D_TP_AGING_TIME = "1.3.6.1.2.1.17.4.2.0"
DOT1D_TP_FDB_ADDRESS = "1.3.6.1.2.1.17.4.3.1.1"
DOT1D_TP_FDB_PORT = "1.3.6.1.2.1.17.4.3.1.2"
DOT1D_TP_FDB_STATUS = "1.3.6.1.2.1.17.4.3.1.3"
IF_STACK_STATUS = "1.3.6.1.2.1.31.1.2.1.3"
EXTREME = "1.3.6.1.4.1.1916.1"
VLAN_GLOBAL_MAPPING_IF_INDEX = EXTREME + ".2.1.1.1.2"
VLAN_IF_DESCR = EXTREME + ".2.1.2.1.2"
VLAN_IF_GLOBAL_ID = EXTREME + ".2.1.2.1.4"
VLAN_IF_VLAN_ID = EXTREME + ".2.1.2.1.10"
VLAN_ENCAPS_IF_TAG = EXTREME + ".2.3.1.1.3"
VLAN_STACK_LOWER_LAYER = EXTREME + ".2.7.1.1.2"
EDP_NEIGHBOR_NAME = EXTREME + ".13.2.1.3"
EDP_NEIGHBOR_SLOT = EXTREME + ".13.2.1.5"
EDP_NEIGHBOR_PORT = EXTREME + ".13.2.1.6"
FDB_MAC = EXTREME + ".16.1.1.3"
FDB_PORT_IF_INDEX = EXTREME + ".16.1.1.4"
FDB_STATUS = EXTREME + ".16.1.1.5"

ETHERNET, PROP_VIRTUAL, SOFTWARE_LOOPBACK = 6, 53, 24
UP, DOWN = 1, 2
DISABLED, BLOCKING, FORWARDING = 1, 2, 5
LEARNED, SELF = 3, 4

# name: (global identifier, 802.1Q tag)
VLANS = {"Default": (1, 1), "users": (2, 10), "voice": (3, 20), "servers": (4, 30)}
VLAN_IF_INDEX = {"Default": 1000001, "users": 1000002, "voice": 1000003, "servers": 1000004}
ENCAPS_IF_INDEX = {"users": 1000010, "voice": 1000020}  # one per tagged VLAN

# name: (MAC, IP or None, switch, port, VLAN)
HOSTS = {
    "pc-1": ("00:1B:21:00:10:01", "10.0.10.101", "edge-1", 2, "users"),
    "phone-1": ("00:04:F2:00:20:01", "10.0.20.101", "edge-1", 3, "voice"),
    "vm-host": ("00:0C:29:AB:CD:EF", None, "edge-1", 4, "users"),
    "pc-2": ("00:1B:21:00:10:02", "10.0.10.102", "edge-2", 4, "users"),
    "printer-1": ("00:1E:0B:00:10:03", "10.0.10.103", "edge-2", 5, "users"),
    "server-1": ("00:25:90:00:30:01", "10.0.30.11", "core-1", 1003, "servers"),
}

# Each switch: system MAC, management address, ports {ifIndex: (description, status, STP state,
# untagged VLAN or None, tagged VLANs)}, the EDP neighbours {local ifIndex: (switch, slot, port)},
# and the forwarding database {VLAN: [(MAC, ifIndex)]} (0 for the switch's own address).
SWITCHES = {
    "core-1": {
        "descr": "ExtremeXOS sample chassis switch, 2 slots of 4 ports",
        "mac": "00:04:96:10:00:00",
        "ip": "10.0.1.1",
        "vlans": ["Default", "users", "voice", "servers"],
        "vlan_ips": {"Default": "10.0.1.1", "users": "10.0.10.1", "voice": "10.0.20.1",
                     "servers": "10.0.30.1"},
        "ports": {
            1001: ("Port 1:1", UP, FORWARDING, "Default", ["users", "voice"]),
            1002: ("Port 1:2", DOWN, DISABLED, "Default", []),
            1003: ("Port 1:3", UP, FORWARDING, "servers", []),
            1004: ("Port 1:4", DOWN, DISABLED, "Default", []),
            2001: ("Port 2:1", UP, FORWARDING, "Default", ["users"]),
            2002: ("Port 2:2", DOWN, DISABLED, "Default", []),
            2003: ("Port 2:3", DOWN, DISABLED, "Default", []),
            2004: ("Port 2:4", DOWN, DISABLED, "Default", []),
        },
        # A router loopback interface: an address, no ifPhysAddress row, no connection.
        "loopback": (1000100, "rif-loopback0", "10.255.0.1"),
        "edp": {1001: ("edge-1", 1, 8), 2001: ("edge-2", 1, 8)},
        "extreme_fdb": True,
        "fdb": {
            "Default": [("00:04:96:20:00:00", 1001), ("00:04:96:30:00:00", 2001),
                        ("00:04:96:10:00:00", 0)],
            "users": [("00:04:96:20:00:00", 1001), ("00:1B:21:00:10:01", 1001),
                      ("00:0C:29:AB:CD:EF", 1001), ("00:1B:21:00:10:02", 2001),
                      ("00:1E:0B:00:10:03", 2001)],
            "voice": [("00:04:F2:00:20:01", 1001)],
            "servers": [("00:25:90:00:30:01", 1003)],
        },
        # The gateway of every VLAN: it knows every host's address.
        "arp": {"Default": [("10.0.1.12", "00:04:96:20:00:00"), ("10.0.1.13", "00:04:96:30:00:00")],
                "users": [("10.0.10.101", "00:1B:21:00:10:01"), ("10.0.10.102", "00:1B:21:00:10:02"),
                          ("10.0.10.103", "00:1E:0B:00:10:03")],
                "voice": [("10.0.20.101", "00:04:F2:00:20:01")],
                "servers": [("10.0.30.11", "00:25:90:00:30:01")]},
    },
    "edge-1": {
        "descr": "ExtremeXOS sample stackable switch, 8 ports",
        "mac": "00:04:96:20:00:00",
        "ip": "10.0.1.12",
        "vlans": ["Default", "users", "voice"],
        "vlan_ips": {"Default": "10.0.1.12"},
        "ports": {
            1: ("Port 1", DOWN, DISABLED, "Default", []),
            2: ("Port 2", UP, FORWARDING, "users", []),
            3: ("Port 3", UP, FORWARDING, "users", ["voice"]),  # a phone with a PC behind it
            4: ("Port 4", UP, FORWARDING, "users", []),
            5: ("Port 5", DOWN, DISABLED, "Default", []),
            6: ("Port 6", DOWN, DISABLED, "Default", []),
            7: ("Port 7", UP, FORWARDING, "Default", ["users"]),
            8: ("Port 8", UP, FORWARDING, "Default", ["users", "voice"]),
        },
        "edp": {8: ("core-1", 1, 1), 7: ("edge-2", 1, 7)},
        "extreme_fdb": True,
        "fdb": {
            "Default": [("00:04:96:10:00:00", 8), ("00:04:96:30:00:00", 8), ("00:04:96:20:00:00", 0)],
            "users": [("00:1B:21:00:10:01", 2), ("00:0C:29:AB:CD:EF", 4), ("00:1B:21:00:10:02", 8),
                      ("00:1E:0B:00:10:03", 8)],
            "voice": [("00:04:F2:00:20:01", 3)],
        },
        "arp": {"Default": [("10.0.1.1", "00:04:96:10:00:00")]},
    },
    "edge-2": {
        "descr": "ExtremeXOS sample stackable switch, 8 ports, bridge forwarding table only",
        "mac": "00:04:96:30:00:00",
        "ip": "10.0.1.13",
        "vlans": ["Default", "users"],
        "vlan_ips": {"Default": "10.0.1.13"},
        "ports": {
            1: ("Port 1", DOWN, DISABLED, "Default", []),
            2: ("Port 2", DOWN, DISABLED, "Default", []),
            3: ("Port 3", DOWN, DISABLED, "Default", []),
            4: ("Port 4", UP, FORWARDING, "users", []),
            5: ("Port 5", UP, FORWARDING, "users", []),
            6: ("Port 6", DOWN, DISABLED, "Default", []),
            7: ("Port 7", UP, BLOCKING, "Default", ["users"]),
            8: ("Port 8", UP, FORWARDING, "Default", ["users"]),
        },
        "edp": {8: ("core-1", 2, 1), 7: ("edge-1", 1, 7)},
        "extreme_fdb": False,
        "fdb": {
            "Default": [("00:04:96:10:00:00", 8), ("00:04:96:20:00:00", 8), ("00:04:96:30:00:00", 0)],
            "users": [("00:1B:21:00:10:02", 4), ("00:1E:0B:00:10:03", 5), ("00:1B:21:00:10:01", 8),
                      ("00:0C:29:AB:CD:EF", 8)],
        },
        "arp": {"Default": [("10.0.1.1", "00:04:96:10:00:00")]},
    },
}


def mac_hex(mac):
    return mac.replace(":", "").lower()


def mac_oid(mac):
    return ".".join(str(int(b, 16)) for b in mac.split(":"))


def port_mac(system_mac, if_index):
    octets = [int(b, 16) for b in system_mac.split(":")]
    octets[4] = if_index // 1000 if if_index >= 1000 else 0
    octets[5] = if_index % 1000 if if_index >= 1000 else if_index
    return ":".join("%02X" % o for o in octets)


def recording(name, sw):
    rows = []

    def add(oid, tag, value):
        rows.append((oid, tag, value))

    add(SYS_DESCR, "4", sw["descr"])
    add(SYS_OBJECT_ID, "6", "1.3.6.1.4.1.1916.2")
    add(SYS_UPTIME, "67", "123456789")
    add(SYS_NAME, "4", name)

    interfaces = {}  # ifIndex: (description, type, MAC or None, status)
    for if_index, (descr, status, _, _, _) in sw["ports"].items():
        interfaces[if_index] = (descr, ETHERNET, port_mac(sw["mac"], if_index), status)
    for vlan in sw["vlans"]:
        interfaces[VLAN_IF_INDEX[vlan]] = ("VLAN " + vlan, PROP_VIRTUAL, sw["mac"], UP)
    tagged = sorted({v for p in sw["ports"].values() for v in p[4]})
    for vlan in tagged:
        interfaces[ENCAPS_IF_INDEX[vlan]] = (
            "802.1Q Encapsulation Tag %04d" % VLANS[vlan][1], PROP_VIRTUAL, "", UP)
    if "loopback" in sw:
        if_index, descr, _ = sw["loopback"]
        interfaces[if_index] = (descr, SOFTWARE_LOOPBACK, None, UP)
    for if_index, (descr, if_type, mac, status) in interfaces.items():
        add("%s.%d" % (IF_DESCR, if_index), "4", descr)
        add("%s.%d" % (IF_TYPE, if_index), "2", str(if_type))
        if mac is not None:
            add("%s.%d" % (IF_PHYS_ADDRESS, if_index), "4x", mac_hex(mac) if mac else "")
        add("%s.%d" % (IF_OPER_STATUS, if_index), "2", str(status))

    for vlan, ip in sw["vlan_ips"].items():
        add("%s.%s" % (IP_AD_ENT_IF_INDEX, ip), "2", str(VLAN_IF_INDEX[vlan]))
    if "loopback" in sw:
        if_index, _, ip = sw["loopback"]
        add("%s.%s" % (IP_AD_ENT_IF_INDEX, ip), "2", str(if_index))
    for vlan, entries in sw["arp"].items():
        for ip, mac in entries:
            add("%s.%d.%s" % (IP_NET_TO_MEDIA_PHYS, VLAN_IF_INDEX[vlan], ip), "4x", mac_hex(mac))

    ports = sorted(sw["ports"])
    bridge_port = {if_index: n + 1 for n, if_index in enumerate(ports)}
    add(DOT1D_BASE_BRIDGE_ADDRESS, "4x", mac_hex(sw["mac"]))
    add(DOT1D_TP_AGING_TIME, "2", "300")
    for if_index in ports:
        add("%s.%d" % (DOT1D_BASE_PORT_IF_INDEX, bridge_port[if_index]), "2", str(if_index))
        add("%s.%d" % (DOT1D_STP_PORT_STATE, bridge_port[if_index]), "2",
            str(sw["ports"][if_index][2]))

    # Interface stack: VLAN over its encapsulation interface, VLAN over its untagged ports,
    # encapsulation interface over its tagged ports; the stack's top and bottom rows name 0.
    stack = set()
    for vlan in sw["vlans"]:
        stack.add((0, VLAN_IF_INDEX[vlan]))
    for vlan in tagged:
        stack.add((VLAN_IF_INDEX[vlan], ENCAPS_IF_INDEX[vlan]))
    for if_index, (_, _, _, untagged, tagged_vlans) in sw["ports"].items():
        stack.add((if_index, 0))
        if untagged:
            stack.add((VLAN_IF_INDEX[untagged], if_index))
        for vlan in tagged_vlans:
            stack.add((ENCAPS_IF_INDEX[vlan], if_index))
    for higher, lower in stack:
        add("%s.%d.%d" % (IF_STACK_STATUS, higher, lower), "2", "1")

    for vlan in sw["vlans"]:
        gid, tag = VLANS[vlan]
        add("%s.%d" % (VLAN_GLOBAL_MAPPING_IF_INDEX, gid), "2", str(VLAN_IF_INDEX[vlan]))
        add("%s.%d" % (VLAN_IF_DESCR, VLAN_IF_INDEX[vlan]), "4", vlan)
        add("%s.%d" % (VLAN_IF_GLOBAL_ID, VLAN_IF_INDEX[vlan]), "2", str(gid))
        add("%s.%d" % (VLAN_IF_VLAN_ID, VLAN_IF_INDEX[vlan]), "2", str(tag))
    for vlan in tagged:
        add("%s.%d" % (VLAN_ENCAPS_IF_TAG, ENCAPS_IF_INDEX[vlan]), "2", str(VLANS[vlan][1]))
        add("%s.%d.%d" % (VLAN_STACK_LOWER_LAYER, VLAN_IF_INDEX[vlan], ENCAPS_IF_INDEX[vlan]), "2",
            str(ENCAPS_IF_INDEX[vlan]))

    for local, (peer, slot, port) in sw["edp"].items():
        index = "%d.0.0.%s" % (local, mac_oid(SWITCHES[peer]["mac"]))
        add("%s.%s" % (EDP_NEIGHBOR_NAME, index), "4", peer)
        add("%s.%s" % (EDP_NEIGHBOR_SLOT, index), "2", str(slot))
        add("%s.%s" % (EDP_NEIGHBOR_PORT, index), "2", str(port))

    if sw["extreme_fdb"]:
        for vlan, entries in sw["fdb"].items():
            for seq, (mac, if_index) in enumerate(entries, start=1):
                index = "%d.%d" % (VLAN_IF_INDEX[vlan], seq)
                add("%s.%s" % (FDB_MAC, index), "4x", mac_hex(mac))
                add("%s.%s" % (FDB_PORT_IF_INDEX, index), "2", str(if_index))
                add("%s.%s" % (FDB_STATUS, index), "2", str(SELF if if_index == 0 else LEARNED))
    else:  # the bridge table: one row per MAC address
        seen = set()
        for entries in sw["fdb"].values():
            for mac, if_index in entries:
                if mac in seen:
                    continue
                seen.add(mac)
                add("%s.%s" % (DOT1D_TP_FDB_ADDRESS, mac_oid(mac)), "4x", mac_hex(mac))
                add("%s.%s" % (DOT1D_TP_FDB_PORT, mac_oid(mac)), "2",
                    str(bridge_port.get(if_index, 0)))
                add("%s.%s" % (DOT1D_TP_FDB_STATUS, mac_oid(mac)), "2",
                    str(SELF if if_index == 0 else LEARNED))

    rows.sort(key=lambda r: [int(x) for x in r[0].split(".")])
    header = ("# Sample recording of %s for extreme-disco, written by generate.py.\n" % name)
    return header + "".join("%s|%s|%s\n" % row for row in rows)


def main():
    for name, sw in SWITCHES.items():
        with open(os.path.join(HERE, name + ".snmprec"), "w") as f:
            f.write(recording(name, sw))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the recordings of the sample network's newer part: an EXOS-era Extreme stack, exos-1,
and a bridge of another vendor, bridge-1, that speaks only standard MIB modules.

    exos-1 1:1  <->  bridge-1 port 8    LLDP both ways; Default untagged, users tagged
    exos-1 2:6  <->  exos-2 1:48        EDP and LLDP; exos-2 is outside the discovery's scope

exos-1 keeps its forwarding database in extremeFdbMacExosFdbTable (EXTREME-FDB-MIB, indexed by
MAC address and VLAN ifIndex) and in Q-BRIDGE-MIB's dot1qTpFdbTable; its dot1dTpFdbTable is
empty and it has no older Extreme FDB table, so the agent finds no host behind its ports.
bridge-1 has IF-MIB, BRIDGE-MIB, Q-BRIDGE-MIB and LLDP-MIB only; its filtering databases are
numbered apart from its VLAN ids (users, VLAN 10, learns in database 2). The hosts are in HOSTS;
exos-1 is the users VLAN's gateway and knows their addresses, but for printer-2. The numeric
identifiers were taken from the MIB modules with snmptranslate -On.

Run it after changing the description; the recordings are committed. It reuses generate.py's
writer for the Extreme switch's interface, bridge, VLAN and EDP tables.
"""

import os

import generate as g

LLDP = "1.0.8802.1.1.2.1"
LLDP_LOC_CHASSIS_ID_SUBTYPE = LLDP + ".3.1.0"
LLDP_LOC_CHASSIS_ID = LLDP + ".3.2.0"
LLDP_LOC_PORT_ID_SUBTYPE = LLDP + ".3.7.1.2"
LLDP_LOC_PORT_ID = LLDP + ".3.7.1.3"
LLDP_REM = LLDP + ".4.1.1"  # columns: 4 chassis ID subtype, 5 chassis ID, 6 port ID subtype,
#                             7 port ID, 8 port description, 9 system name, 10 system
#                             description, 11 capabilities supported, 12 enabled
LLDP_REM_MAN_ADDR_IF_SUBTYPE = LLDP + ".4.2.1.3"
LLDP_REM_MAN_ADDR_IF_ID = LLDP + ".4.2.1.4"
IF_NAME = "1.3.6.1.2.1.31.1.1.1.1"
EXOS_FDB = "1.3.6.1.4.1.1916.1.16.4.1"  # columns: 3 port ifIndex, 4 status
Q_FDB_PORT = "1.3.6.1.2.1.17.7.1.2.2.1.2"
Q_FDB_STATUS = "1.3.6.1.2.1.17.7.1.2.2.1.3"
Q_VLAN_FDB_ID = "1.3.6.1.2.1.17.7.1.4.2.1.3"
Q_VLAN_STATIC_NAME = "1.3.6.1.2.1.17.7.1.4.3.1.1"

MAC_SUBTYPE, LOCAL_SUBTYPE, IF_NAME_SUBTYPE = 4, 7, 5  # chassis macAddress; port local, ifName
PORT_IF_NAME_SUBTYPE = 5
BRIDGE_CAP, ROUTER_CAP = 0x20, 0x08  # LldpSystemCapabilitiesMap bits 2 and 4
MGMT = 5

# name: (MAC, IP or None, switch, port, VLAN)
HOSTS = {
    "pc-3": ("00:1B:21:00:10:04", "10.0.10.104", "exos-1", 1003, "users"),
    "camera-1": ("00:40:8C:00:10:05", "10.0.10.105", "exos-1", 2002, "users"),
    "pc-4": ("00:1B:21:00:10:06", "10.0.10.106", "bridge-1", 3, "users"),
    "printer-2": ("00:1E:0B:00:10:07", None, "bridge-1", 5, "users"),
}

EXOS_MAC, EXOS_IP = "00:04:96:50:00:00", "10.0.1.21"
EXOS2_MAC, EXOS2_IP = "00:04:96:60:00:00", "10.0.1.22"
BRIDGE_MAC, BRIDGE_IP = "02:00:00:00:31:00", "10.0.1.31"
VLAN_TAG = {"Default": 1, "users": 10}


def exos_ports():
    ports = {}
    for slot in (1, 2):
        for port in range(1, 7):
            ports[slot * 1000 + port] = ("Port %d:%d" % (slot, port), g.DOWN, g.DISABLED,
                                         "Default", [])
    ports[1001] = ("Port 1:1", g.UP, g.FORWARDING, "Default", ["users"])
    ports[1003] = ("Port 1:3", g.UP, g.FORWARDING, "users", [])
    ports[2002] = ("Port 2:2", g.UP, g.FORWARDING, "users", [])
    ports[2006] = ("Port 2:6", g.UP, g.FORWARDING, "Default", ["users"])
    return ports


EXOS1 = {
    "descr": "ExtremeXOS (X440G2-12t) version 31.7.1.4, sample stack of 2 slots",
    "mac": EXOS_MAC,
    "ip": EXOS_IP,
    "vlans": ["Default", "users"],
    "vlan_ips": {"Default": EXOS_IP, "users": "10.0.10.1"},
    "ports": exos_ports(),
    "edp": {2006: ("exos-2", 1, 48)},
    "extreme_fdb": False,  # no older Extreme FDB table ...
    "fdb": {},             # ... and an empty dot1dTpFdbTable
    "arp": {"Default": [(BRIDGE_IP, BRIDGE_MAC), (EXOS2_IP, EXOS2_MAC)],
            "users": [(ip, mac) for mac, ip, _, _, _ in HOSTS.values() if ip]},
}

# The forwarding database of exos-1: (MAC, VLAN, ifIndex, status).
EXOS1_FDB = [(BRIDGE_MAC, "Default", 1001, g.LEARNED), (EXOS2_MAC, "Default", 2006, g.LEARNED),
             (EXOS_MAC, "Default", 0, g.SELF), (EXOS_MAC, "users", 0, MGMT)] + [
    (mac, vlan, 1001 if switch == "bridge-1" else port, g.LEARNED)
    for mac, _, switch, port, vlan in HOSTS.values()]

# exos-1's LLDP neighbours: local ifIndex -> (chassis MAC, port ID subtype, port ID, port
# description, system name, system description, capabilities, management address).
EXOS1_LLDP = {
    1001: (BRIDGE_MAC, LOCAL_SUBTYPE, "8", "uplink", "bridge-1",
           "Generic managed bridge, 8 ports", BRIDGE_CAP, BRIDGE_IP),
    2006: (EXOS2_MAC, PORT_IF_NAME_SUBTYPE, "1:48", "Port 1:48", "exos-2",
           "ExtremeXOS (X460G2-48p) version 31.7.1.4", BRIDGE_CAP | ROUTER_CAP, EXOS2_IP),
}


def lldp_rows(add, chassis_mac, local_ports, neighbours):
    """local_ports: [(port number, ifIndex, port ID subtype, port ID)]."""
    add(LLDP_LOC_CHASSIS_ID_SUBTYPE, "2", str(MAC_SUBTYPE))
    add(LLDP_LOC_CHASSIS_ID, "4x", g.mac_hex(chassis_mac))
    port_num = {}
    for num, if_index, subtype, port_id in local_ports:
        port_num[if_index] = num
        add("%s.%d" % (LLDP_LOC_PORT_ID_SUBTYPE, num), "2", str(subtype))
        add("%s.%d" % (LLDP_LOC_PORT_ID, num), "4", port_id)
    for rem_index, (if_index, n) in enumerate(sorted(neighbours.items()), start=1):
        mac, subtype, port_id, descr, name, sys_descr, caps, ip = n
        index = "0.%d.%d" % (port_num[if_index], rem_index)
        for column, tag, value in ((4, "2", str(MAC_SUBTYPE)), (5, "4x", g.mac_hex(mac)),
                                   (6, "2", str(subtype)), (7, "4", port_id), (8, "4", descr),
                                   (9, "4", name), (10, "4", sys_descr),
                                   (11, "4x", "%02x00" % caps), (12, "4x", "%02x00" % caps)):
            add("%s.%d.%s" % (LLDP_REM, column, index), tag, value)
        man = "%s.1.4.%s" % (index, ip)  # IPv4, four octets
        add("%s.%s" % (LLDP_REM_MAN_ADDR_IF_SUBTYPE, man), "2", "2")  # ifIndex
        add("%s.%s" % (LLDP_REM_MAN_ADDR_IF_ID, man), "2", "0")


def q_bridge_rows(add, vlan_fdb_id, entries, bridge_port):
    """vlan_fdb_id: {VLAN name: FDB id}; entries: [(MAC, VLAN, ifIndex, status)]."""
    for vlan, fdb_id in vlan_fdb_id.items():
        add("%s.0.%d" % (Q_VLAN_FDB_ID, VLAN_TAG[vlan]), "66", str(fdb_id))
        add("%s.%d" % (Q_VLAN_STATIC_NAME, VLAN_TAG[vlan]), "4", vlan)
    for mac, vlan, if_index, status in entries:
        index = "%d.%s" % (vlan_fdb_id[vlan], g.mac_oid(mac))
        add("%s.%s" % (Q_FDB_PORT, index), "2", str(bridge_port.get(if_index, 0)))
        add("%s.%s" % (Q_FDB_STATUS, index), "2", str(status))


def finish(name, rows):
    rows.sort(key=lambda r: [int(x) for x in r[0].split(".")])
    header = "# Sample recording of %s for extreme-disco, written by generate_mixed.py.\n" % name
    return header + "".join("%s|%s|%s\n" % row for row in rows)


def exos1():
    g.SWITCHES["exos-2"] = {"mac": EXOS2_MAC}  # the EDP peer outside the scope
    rows = []
    for line in g.recording("exos-1", EXOS1).splitlines()[1:]:
        rows.append(tuple(line.split("|", 2)))

    def add(oid, tag, value):
        rows.append((oid, tag, value))

    ports = sorted(EXOS1["ports"])
    bridge_port = {if_index: n + 1 for n, if_index in enumerate(ports)}
    for if_index in ports:
        add("%s.%d" % (IF_NAME, if_index), "4", "%d:%d" % (if_index // 1000, if_index % 1000))
    lldp_rows(add, EXOS_MAC,
              [(bridge_port[i], i, IF_NAME_SUBTYPE, "%d:%d" % (i // 1000, i % 1000)) for i in ports],
              EXOS1_LLDP)
    for mac, vlan, if_index, status in EXOS1_FDB:
        index = "%s.%d" % (g.mac_oid(mac), g.VLAN_IF_INDEX[vlan])
        add("%s.3.%s" % (EXOS_FDB, index), "2", str(if_index))
        add("%s.4.%s" % (EXOS_FDB, index), "2", str(status))
    q_bridge_rows(add, {"Default": 1, "users": 2}, EXOS1_FDB, bridge_port)
    return finish("exos-1", rows)


def bridge1():
    rows = []

    def add(oid, tag, value):
        rows.append((oid, tag, value))

    add(g.SYS_DESCR, "4", "Generic managed bridge, 8 ports")
    add(g.SYS_OBJECT_ID, "6", "1.3.6.1.4.1.8072.3.2.10")
    add(g.SYS_UPTIME, "67", "98765432")
    add(g.SYS_NAME, "4", "bridge-1")
    up = {3, 5, 8}
    for if_index in range(1, 9):
        octets = BRIDGE_MAC.split(":")[:5] + ["%02X" % if_index]
        add("%s.%d" % (g.IF_DESCR, if_index), "4", "ge-0/0/%d" % if_index)
        add("%s.%d" % (g.IF_TYPE, if_index), "2", str(g.ETHERNET))
        add("%s.%d" % (g.IF_PHYS_ADDRESS, if_index), "4x", "".join(octets).lower())
        add("%s.%d" % (g.IF_OPER_STATUS, if_index), "2", str(g.UP if if_index in up else g.DOWN))
        add("%s.%d" % (IF_NAME, if_index), "4", "ge-0/0/%d" % if_index)
        add("%s.%d" % (g.DOT1D_BASE_PORT_IF_INDEX, if_index), "2", str(if_index))
        add("%s.%d" % (g.DOT1D_STP_PORT_STATE, if_index), "2",
            str(g.FORWARDING if if_index in up else g.DISABLED))
    add("%s.%s" % (g.IP_AD_ENT_IF_INDEX, BRIDGE_IP), "2", "8")
    add("%s.8.%s" % (g.IP_NET_TO_MEDIA_PHYS, EXOS_IP), "4x", g.mac_hex(EXOS_MAC))
    add(g.DOT1D_TP_AGING_TIME, "2", "300")
    lldp_rows(add, BRIDGE_MAC, [(i, i, LOCAL_SUBTYPE, str(i)) for i in range(1, 9)],
              {8: (EXOS_MAC, PORT_IF_NAME_SUBTYPE, "1:1", "Port 1:1", "exos-1", EXOS1["descr"],
                   BRIDGE_CAP | ROUTER_CAP, EXOS_IP)})
    fdb = [(EXOS_MAC, "Default", 8, g.LEARNED), (BRIDGE_MAC, "Default", 0, g.SELF)] + [
        (mac, vlan, port if switch == "bridge-1" else 8, g.LEARNED)
        for mac, _, switch, port, vlan in HOSTS.values()]
    q_bridge_rows(add, {"Default": 1, "users": 2}, fdb, {i: i for i in range(1, 9)})
    return finish("bridge-1", rows)


def main():
    for name, text in (("exos-1", exos1()), ("bridge-1", bridge1())):
        with open(os.path.join(g.HERE, name + ".snmprec"), "w") as f:
            f.write(text)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the topo-*.snmprec recordings: small standard bridges (IF-MIB, BRIDGE-MIB, Q-BRIDGE-MIB,
LLDP-MIB only) whose LLDP neighbours are what real access ports hear.

    topo-phone  port 2: an IP telephone (LLDP: chassis ID its address, port ID its MAC address,
                capabilities enabled: telephone) with a PC behind it; port 3: a workstation
                running LLDP (capabilities: station only) known by a local chassis ID.
    topo-radio  port 1: a radio bridge that gives a local chassis ID and no system name, with two
                wireless clients behind it; port 2: a neighbour that gives no chassis ID, only a
                management address.
    topo-hub    port 1: a hub with six small switches behind it, each heard over LLDP (one
                without a system name), and three hosts; port 2: one host.

Each switch's ports are ifIndex 1..4, bridge ports 1..4, LLDP local ports 1..4 (port ID subtype
local: the ifIndex). Run it after changing the description; the recordings are committed.
"""

import ipaddress
import os

LLDP = "1.0.8802.1.1.2.1"
LLDP_REM = LLDP + ".4.1.1"  # 4 chassis subtype, 5 chassis ID, 6 port subtype, 7 port ID,
#                             9 system name, 12 capabilities enabled
LLDP_MAN_ADDR_IF_SUBTYPE = LLDP + ".4.2.1.3"
Q_FDB = "1.3.6.1.2.1.17.7.1.2.2.1"  # 2 port, 3 status
Q_VLAN_FDB_ID = "1.3.6.1.2.1.17.7.1.4.2.1.3"
Q_VLAN_NAME = "1.3.6.1.2.1.17.7.1.4.3.1.1"

# LldpChassisIdSubtype / LldpPortIdSubtype values and LldpSystemCapabilitiesMap bits.
CHASSIS_MAC, CHASSIS_NETWORK, CHASSIS_LOCAL = 4, 5, 7
PORT_MAC, PORT_NAME, PORT_LOCAL = 3, 5, 7
BRIDGE, WLAN_AP, TELEPHONE, STATION = 0x20, 0x10, 0x04, 0x01
VLANS = {1: "Default", 10: "users", 20: "voice"}  # filtering database = VLAN id


def hexmac(mac):
    return mac.replace(":", "").lower()


def decmac(mac):
    return ".".join(str(int(b, 16)) for b in mac.split(":"))


def switch(name, descr, mac, ip, neighbours, fdb, arp):
    """neighbours: (local port, chassis subtype, chassis ID (text, or "0x" and hex octets),
    port subtype, port ID text, system name or None, capabilities, management IPv4 or None);
    fdb: (MAC, VLAN, port); arp: (MAC, IP)."""
    rows = []

    def add(oid, tag, value):
        rows.append((oid, tag, value))

    add("1.3.6.1.2.1.1.1.0", "4", descr)
    add("1.3.6.1.2.1.1.2.0", "6", "1.3.6.1.4.1.8072.3.2.10")
    add("1.3.6.1.2.1.1.3.0", "67", "4242")
    add("1.3.6.1.2.1.1.5.0", "4", "access-" + name)
    for i in range(1, 5):
        add(f"1.3.6.1.2.1.2.2.1.2.{i}", "4", f"port {i}")
        add(f"1.3.6.1.2.1.2.2.1.3.{i}", "2", "6")
        add(f"1.3.6.1.2.1.2.2.1.6.{i}", "4x", hexmac(mac)[:-2] + f"{i:02x}")
        add(f"1.3.6.1.2.1.2.2.1.8.{i}", "2", "1" if i < 4 else "2")
        add(f"1.3.6.1.2.1.17.1.4.1.2.{i}", "2", str(i))
        add(f"1.3.6.1.2.1.17.2.15.1.3.{i}", "2", "5" if i < 4 else "1")
        add(f"1.3.6.1.2.1.31.1.1.1.1.{i}", "4", f"port{i}")
        add(f"{LLDP}.3.7.1.2.{i}", "2", str(PORT_LOCAL))
        add(f"{LLDP}.3.7.1.3.{i}", "4", str(i))
    add("1.3.6.1.2.1.4.20.1.2." + ip, "2", "4")
    for host_mac, host_ip in arp:
        add(f"1.3.6.1.2.1.4.22.1.2.4.{host_ip}", "4x", hexmac(host_mac))
    add("1.3.6.1.2.1.17.4.2.0", "2", "300")
    for host_mac, vlan, port in fdb:
        add(f"{Q_FDB}.2.{vlan}.{decmac(host_mac)}", "2", str(port))
        add(f"{Q_FDB}.3.{vlan}.{decmac(host_mac)}", "2", "3")
    for vlan, vlan_name in VLANS.items():
        add(f"{Q_VLAN_FDB_ID}.0.{vlan}", "66", str(vlan))
        add(f"{Q_VLAN_NAME}.{vlan}", "4", vlan_name)
    add(f"{LLDP}.3.1.0", "2", str(CHASSIS_MAC))
    add(f"{LLDP}.3.2.0", "4x", hexmac(mac))
    for n, (port, csub, chassis, psub, port_id, sys_name, caps, mgmt) in enumerate(neighbours, 1):
        index = f"0.{port}.{n}"
        add(f"{LLDP_REM}.4.{index}", "2", str(csub))
        if chassis.startswith("0x"):
            add(f"{LLDP_REM}.5.{index}", "4x", chassis[2:])
        else:
            add(f"{LLDP_REM}.5.{index}", "4", chassis)
        add(f"{LLDP_REM}.6.{index}", "2", str(psub))
        if psub == PORT_MAC:
            add(f"{LLDP_REM}.7.{index}", "4x", hexmac(port_id))
        else:
            add(f"{LLDP_REM}.7.{index}", "4", port_id)
        if sys_name:
            add(f"{LLDP_REM}.9.{index}", "4", sys_name)
        add(f"{LLDP_REM}.12.{index}", "4x", f"{caps:02x}00")
        if mgmt:
            add(f"{LLDP_MAN_ADDR_IF_SUBTYPE}.{index}.1.4.{mgmt}", "2", "1")
    rows.sort(key=lambda r: [int(x) for x in r[0].split(".")])
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, f"topo-{name}.snmprec"), "w") as out:
        out.write(f"# {name}: written by topo-generate.py, which describes it.\n")
        for oid, tag, value in rows:
            out.write(f"{oid}|{tag}|{value}\n")


def network_address(ip):
    return "0x01" + ipaddress.IPv4Address(ip).packed.hex()


def main():
    phone, pc = "00:04:F2:00:20:50", "00:1B:21:00:20:01"
    switch("phone", "Generic managed bridge, 4 ports", "02:00:00:00:41:00", "10.0.1.41",
           [(2, CHASSIS_NETWORK, network_address("10.0.20.50"), PORT_MAC, phone,
             "SEP0004F2002050", TELEPHONE, "10.0.20.50"),
            (3, CHASSIS_LOCAL, "lab-pc-42", PORT_NAME, "eth0", "lab-pc-42",
             STATION, None)],
           [(phone, 20, 2), (pc, 10, 2), ("00:1E:0B:00:20:02", 10, 1)],
           [(pc, "10.0.10.120")])
    switch("radio", "Generic managed bridge, 4 ports", "02:00:00:00:42:00", "10.0.1.42",
           [(1, CHASSIS_LOCAL, "RADIO-0007", PORT_LOCAL, "1", None,
             BRIDGE | WLAN_AP, "10.0.40.7"),
            (2, CHASSIS_LOCAL, "", PORT_LOCAL, "7", None, BRIDGE, "10.0.40.8")],
           [("00:1B:21:00:40:01", 10, 1), ("00:1B:21:00:40:02", 10, 1)],
           [("00:1B:21:00:40:01", "10.0.10.141")])
    desks = [(1, CHASSIS_MAC, f"0x02000000500{k}", PORT_LOCAL, "1",
              f"desk-sw-{k}" if k != 4 else None, BRIDGE, None) for k in range(1, 7)]
    switch("hub", "Generic managed bridge, 4 ports", "02:00:00:00:43:00", "10.0.1.43", desks,
           [("00:1B:21:00:50:01", 10, 1), ("00:1B:21:00:50:02", 10, 1),
            ("00:1B:21:00:50:03", 10, 1), ("00:1B:21:00:50:04", 10, 2)],
           [("00:1B:21:00:50:01", "10.0.10.151")])


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the .snmprec recording of one big generated Extreme chassis switch.

The switch has the objects the ExtremeSwitch agent and the engine read: the system group, the
interface table, IP addresses, an ARP table, bridge ports, spanning-tree states, the interface
stack, the Extreme VLAN tables, EDP neighbours and the Extreme forwarding database.

Shape (all parametric):
  --ports N     front-panel ports, 48 per slot, ifIndex = slot * 1000 + port
  --vlans V     VLANs, global identifier 1..V, tag 10 * identifier; every VLAN is tagged on the
                uplinks (the first --uplinks ports), each access port is untagged in one VLAN
  --fdb R       forwarding-database rows; half of them behind the uplinks, the rest spread over
                the access ports; each row is one MAC (unique) in one VLAN
  --edp E       EDP neighbours, on the uplinks
  --arp F       fraction of the forwarding-database MACs that have an ARP entry (0..1)
  --id N        which switch of a generated network (0..128): switch N > 0 has its own system
                MAC (00:04:96:7f+N:..) and forwarding-database MACs (02:N:..); 0 keeps the
                addresses of a lone switch

The rows are written in OID order as they are made, so that a million rows need no sorting and
little memory. The addresses in the recording (10.0.0.0/8) are data only.
"""

import argparse
import sys

SYS = "1.3.6.1.2.1.1"
IF_ENTRY = "1.3.6.1.2.1.2.2.1"
IP_AD_ENT_IF_INDEX = "1.3.6.1.2.1.4.20.1.2"
IP_NET_TO_MEDIA_PHYS = "1.3.6.1.2.1.4.22.1.2"
DOT1D_BASE_PORT_IF_INDEX = "1.3.6.1.2.1.17.1.4.1.2"
DOT1D_STP_PORT_STATE = "1.3.6.1.2.1.17.2.15.1.3"
DOT1D_TP_AGING_TIME = "1.3.6.1.2.1.17.4.2.0"
IF_STACK_STATUS = "1.3.6.1.2.1.31.1.2.1.3"
EXTREME = "1.3.6.1.4.1.1916.1"
VLAN_GLOBAL_MAPPING_IF_INDEX = EXTREME + ".2.1.1.1.2"
VLAN_IF_DESCR = EXTREME + ".2.1.2.1.2"
VLAN_IF_GLOBAL_ID = EXTREME + ".2.1.2.1.4"
VLAN_IF_VLAN_ID = EXTREME + ".2.1.2.1.10"
VLAN_ENCAPS_IF_TAG = EXTREME + ".2.3.1.1.3"
VLAN_STACK_LOWER_LAYER = EXTREME + ".2.7.1.1.2"
EDP_NEIGHBOR = EXTREME + ".13.2.1"  # .3 name, .5 slot, .6 port
FDB = EXTREME + ".16.1.1"  # .3 MAC, .4 port ifIndex, .5 status

ETHERNET, PROP_VIRTUAL = 6, 53
UP, DOWN = 1, 2
FORWARDING, DISABLED = 5, 1
LEARNED, SELF = 3, 4
MAX_ID = 128


def system_mac(switch_id):
    return (0x00, 0x04, 0x96, 0x77 if switch_id == 0 else 0x7F + switch_id, 0x00, 0x00)


def port_if_index(n):  # n from 0
    return (n // 48 + 1) * 1000 + n % 48 + 1


def vlan_if_index(gid):
    return 1000000 + gid


def encaps_if_index(gid):
    return 1100000 + gid


def fdb_mac(i, switch_id):
    # Unique, locally administered, spread over the whole table.
    return (0x02, switch_id, (i >> 24) & 0xFF, (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF)


def hexmac(octets):
    return "".join("%02x" % o for o in octets)


def fdb_row(i, args, uplinks, access):
    """The (VLAN identifier, port ifIndex) of forwarding-database row i."""
    vlan = i % args.vlans + 1
    if i % 2 == 0:
        return vlan, uplinks[(i // 2) % len(uplinks)]
    port = access[(i // 2) % len(access)] if access else uplinks[0]
    return vlan, port


def write(out, args):
    w = out.write
    ports = [port_if_index(n) for n in range(args.ports)]
    uplinks = ports[:max(1, min(args.uplinks, args.ports))]
    access = ports[len(uplinks):]
    gids = list(range(1, args.vlans + 1))
    access_vlan = {p: gids[n % len(gids)] for n, p in enumerate(access)}

    w("# Generated switch for the extreme-disco benchmarks: %d ports, %d VLANs, %d FDB rows, "
      "%d EDP neighbours.\n" % (args.ports, args.vlans, args.fdb, args.edp))
    w("%s.1.0|4|ExtremeXOS generated chassis switch\n" % SYS)
    w("%s.2.0|6|1.3.6.1.4.1.1916.2\n" % SYS)
    w("%s.3.0|67|123456789\n" % SYS)
    w("%s.5.0|4|%s\n" % (SYS, args.name))

    own_mac = system_mac(args.id)
    interfaces = [(p, "Port %d:%d" % (p // 1000, p % 1000), ETHERNET,
                   hexmac(own_mac[:4] + (p // 1000, p % 1000)), UP if n % 3 else DOWN)
                  for n, p in enumerate(ports)]
    interfaces += [(vlan_if_index(g), "VLAN v%d" % g, PROP_VIRTUAL, hexmac(own_mac), UP)
                   for g in gids]
    interfaces += [(encaps_if_index(g), "802.1Q Encapsulation Tag %04d" % (10 * g), PROP_VIRTUAL,
                    "", UP) for g in gids]
    for column, pick in ((2, lambda i: "4|" + i[1]), (3, lambda i: "2|%d" % i[2]),
                         (6, lambda i: "4x|" + i[3]), (8, lambda i: "2|%d" % i[4])):
        for i in interfaces:
            w("%s.%d.%d|%s\n" % (IF_ENTRY, column, i[0], pick(i)))

    # One address per VLAN interface (10.g.0.1), ARP entries for a fraction of the MACs.
    ips = sorted(((10, g // 256, g % 256, 1), vlan_if_index(g)) for g in gids)
    for ip, if_index in ips:
        w("%s.%d.%d.%d.%d|2|%d\n" % ((IP_AD_ENT_IF_INDEX,) + ip + (if_index,)))
    arp_every = int(round(1 / args.arp)) if args.arp > 0 else 0
    if arp_every:
        by_vlan = {}
        for i in range(0, args.fdb, arp_every):
            by_vlan.setdefault(fdb_row(i, args, uplinks, access)[0], []).append(i)
        for g in sorted(by_vlan):
            for i in by_vlan[g]:  # ascending i gives ascending addresses
                ip = (10, 128 + ((i >> 16) & 0x7F), (i >> 8) & 0xFF, i & 0xFF)
                w("%s.%d.%d.%d.%d.%d|4x|%s\n" % ((IP_NET_TO_MEDIA_PHYS, vlan_if_index(g)) + ip +
                                                 (hexmac(fdb_mac(i, args.id)),)))

    return ports, uplinks, access, gids, access_vlan


def write_rest(out, args, ports, uplinks, access, gids, access_vlan):
    w = out.write
    # DOT1D_BASE_PORT_IF_INDEX and DOT1D_STP_PORT_STATE sort before DOT1D_TP_AGING_TIME.
    for n, p in enumerate(ports):
        w("%s.%d|2|%d\n" % (DOT1D_BASE_PORT_IF_INDEX, n + 1, p))
    for n, p in enumerate(ports):
        w("%s.%d|2|%d\n" % (DOT1D_STP_PORT_STATE, n + 1, FORWARDING if n % 3 else DISABLED))
    w("%s|2|300\n" % DOT1D_TP_AGING_TIME)

    stack = set()
    for g in gids:
        stack.add((0, vlan_if_index(g)))
        stack.add((vlan_if_index(g), encaps_if_index(g)))
        for p in uplinks:
            stack.add((encaps_if_index(g), p))
    for p in ports:
        stack.add((p, 0))
    for p, g in access_vlan.items():
        stack.add((vlan_if_index(g), p))
    for higher, lower in sorted(stack):
        w("%s.%d.%d|2|1\n" % (IF_STACK_STATUS, higher, lower))

    for g in gids:
        w("%s.%d|2|%d\n" % (VLAN_GLOBAL_MAPPING_IF_INDEX, g, vlan_if_index(g)))
    for column, value in ((VLAN_IF_DESCR, lambda g: "4|v%d" % g),
                          (VLAN_IF_GLOBAL_ID, lambda g: "2|%d" % g),
                          (VLAN_IF_VLAN_ID, lambda g: "2|%d" % (10 * g))):
        for g in gids:
            w("%s.%d|%s\n" % (column, vlan_if_index(g), value(g)))
    for g in gids:
        w("%s.%d|2|%d\n" % (VLAN_ENCAPS_IF_TAG, encaps_if_index(g), 10 * g))
    for g in gids:
        w("%s.%d.%d|2|%d\n" % (VLAN_STACK_LOWER_LAYER, vlan_if_index(g), encaps_if_index(g),
                               encaps_if_index(g)))

    edp = sorted((uplinks[k % len(uplinks)], (0x00, 0x04, 0x96, 0x78, k >> 8, k & 0xFF), k)
                 for k in range(args.edp))
    for column, value in ((3, lambda k: "4|peer-%d" % k), (5, lambda k: "2|%d" % (k % 8 + 1)),
                          (6, lambda k: "2|%d" % (k % 48 + 1))):
        for local, mac, k in edp:
            w("%s.%d.%d.0.0.%s|%s\n" % (EDP_NEIGHBOR, column, local, ".".join(map(str, mac)),
                                        value(k)))

    # Forwarding database, indexed by (VLAN ifIndex, sequence number within the VLAN); the last
    # row of each VLAN is the switch's own address.
    per_vlan = {g: [] for g in gids}
    for i in range(args.fdb):
        g, port = fdb_row(i, args, uplinks, access)
        per_vlan[g].append(i)
    for column in (3, 4, 5):
        for g in gids:
            rows = per_vlan[g]
            for seq, i in enumerate(rows, start=1):
                _, port = fdb_row(i, args, uplinks, access)
                if column == 3:
                    w("%s.3.%d.%d|4x|%s\n" % (FDB, vlan_if_index(g), seq,
                                               hexmac(fdb_mac(i, args.id))))
                elif column == 4:
                    w("%s.4.%d.%d|2|%d\n" % (FDB, vlan_if_index(g), seq, port))
                else:
                    w("%s.5.%d.%d|2|%d\n" % (FDB, vlan_if_index(g), seq, LEARNED))


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--ports", type=int, default=48)
    p.add_argument("--vlans", type=int, default=10)
    p.add_argument("--fdb", type=int, default=1000)
    p.add_argument("--edp", type=int, default=4)
    p.add_argument("--uplinks", type=int, default=4)
    p.add_argument("--arp", type=float, default=0.25)
    p.add_argument("--name", default="big-switch")
    p.add_argument("--id", type=int, default=0)
    p.add_argument("-o", "--output", help="file to write (default: standard output)")
    args = p.parse_args()
    if args.ports < 1 or args.vlans < 1 or args.fdb < 0 or args.edp < 0 or not 0 <= args.arp <= 1:
        p.error("ports and VLANs must be at least 1, rows and fractions not negative")
    if not 0 <= args.id <= MAX_ID:
        p.error("--id must be 0..%d" % MAX_ID)
    out = open(args.output, "w") if args.output else sys.stdout
    with out:
        write_rest(out, args, *write(out, args))


if __name__ == "__main__":
    main()

#include "engine/report/PictureLayout.h"

#include <map>
#include <utility>

namespace disco {

namespace {

constexpr std::size_t kNone = PictureLayout::kNoBox;

// Groups the outside switches heard by one port of one switch only, or (`inSwitchBox`) counts
// them in that switch's box; returns how many boxes the outside switches then take.
std::size_t Group(const TopologyView& v, bool inSwitchBox, PictureLayout* p) {
  const std::size_t inScope = v.network.switches.size(), outside = v.topology.outside.size();
  std::vector<std::size_t> onlyLink(outside, kNone);
  std::vector<std::size_t> linkCount(outside, 0);
  for (std::size_t i = 0; i < v.topology.links.size(); ++i) {
    const topology::Link& l = v.topology.links[i];
    for (const auto& [far, near] : {std::make_pair(l.b, l.a), std::make_pair(l.a, l.b)}) {
      if (v.InScope(far.node)) continue;
      std::size_t k = far.node - inScope;
      ++linkCount[k];
      onlyLink[k] = v.InScope(near.node) ? i : kNone;
    }
  }
  std::map<std::pair<std::uint32_t, int>, std::vector<std::size_t>> groups;
  for (std::size_t k = 0; k < outside; ++k) {
    p->boxOf[k] = k;
    p->sharing[k].clear();
    if (linkCount[k] != 1 || onlyLink[k] == kNone) continue;
    const topology::Link& l = v.topology.links[onlyLink[k]];
    const topology::LinkEnd& near = v.InScope(l.a.node) ? l.a : l.b;
    groups[{near.node, near.port}].push_back(k);
  }
  std::size_t boxes = outside;
  p->linkLeftOut.assign(v.topology.links.size(), false);
  p->outsideInBox.assign(inScope, 0);
  if (inSwitchBox) {
    for (auto& group : groups) {
      for (std::size_t k : group.second) {
        p->boxOf[k] = kNone;
        p->linkLeftOut[onlyLink[k]] = true;
      }
      p->outsideInBox[group.first.first] += group.second.size();
      boxes -= group.second.size();
    }
    return boxes;
  }
  for (auto& group : groups) {
    std::vector<std::size_t>& members = group.second;
    if (members.size() < 2) continue;
    for (std::size_t m = 1; m < members.size(); ++m) {
      p->boxOf[members[m]] = members[0];
      p->linkLeftOut[onlyLink[members[m]]] = true;
    }
    boxes -= members.size() - 1;
    p->sharing[members[0]] = std::move(members);
  }
  return boxes;
}

}  // namespace

PictureLayout PlanPicture(const TopologyView& v, std::size_t maxNotes) {
  PictureLayout p;
  p.boxOf.resize(v.topology.outside.size());
  p.sharing.resize(v.topology.outside.size());
  std::size_t outsideBoxes = Group(v, false, &p);
  std::size_t switchesWithHosts = 0;
  std::uint32_t last = static_cast<std::uint32_t>(-1);
  for (const auto& port : v.hostsOnPort) {  // in port order: a switch's ports together
    if (port.first.sw != last) ++switchesWithHosts;
    last = port.first.sw;
  }
  std::size_t boxes = v.network.switches.size() + outsideBoxes + v.hostsOnPort.size();
  p.large = boxes > kLargePictureBoxes;
  p.hostsPerSwitch = p.large || v.hostsOnPort.size() > maxNotes;
  if (p.large) {
    boxes -= v.hostsOnPort.size();  // counted in the switches' boxes
  } else if (p.hostsPerSwitch) {
    boxes += switchesWithHosts - v.hostsOnPort.size();
  }
  bool huge = boxes > kHugePictureBoxes;
  if (huge) Group(v, true, &p);
  if (p.large) {
    p.caption =
        "A large network: links are labelled at their ends only and hosts are counted "
        "in each switch's box; switches outside the scope that one " +
        std::string(huge ? "switch alone hears are counted in its box."
                         : "port alone hears share a box.");
  }
  return p;
}

}  // namespace disco

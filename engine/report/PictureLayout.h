// How big a network's picture may get before Graphviz takes too long to draw it, and what the
// picture gives up beyond: the DOT text of a small network keeps every label; a large one is
// drawn with cheaper settings, and switches outside the scope share boxes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/map/TopologyView.h"

namespace disco {

// Boxes (switches, outside switches, host notes) above which a picture is large: links are
// labelled only at their ends and drawn straight, and hosts are counted in their switch's box.
constexpr std::size_t kLargePictureBoxes = 300;
// Boxes above which the outside switches heard only by one switch are counted in its box
// instead of drawn, so that a picture has at most about as many boxes as discovered switches.
constexpr std::size_t kHugePictureBoxes = 1500;

struct PictureLayout {
  bool large = false;
  bool hostsPerSwitch = false;  // one count per switch instead of a note per edge port
  static constexpr std::size_t kNoBox = static_cast<std::size_t>(-1);
  // Per outside switch (its index in topology.outside): the outside switch whose box it is
  // drawn in (itself when it has its own box), kNoBox when it is counted in outsideInBox.
  std::vector<std::size_t> boxOf;
  // Per discovered switch: the outside switches counted in its box.
  std::vector<std::size_t> outsideInBox;
  // Per outside switch that stands for a shared box: the outside switches in it, itself first;
  // empty for the others.
  std::vector<std::vector<std::size_t>> sharing;
  // Links drawn for a shared box stand for all of its switches' links: the others are left out.
  std::vector<bool> linkLeftOut;  // per topology.links
  // What the picture left out, for its caption ("" when nothing).
  std::string caption;
};

// Plans the picture of `view`. Outside switches that only one port of one discovered switch
// hears (and nothing else links) share one box per port when there are two or more; beyond
// kHugePictureBoxes they are counted in that switch's box. More than `maxNotes` edge ports with
// hosts, or a large picture, count hosts per switch (a large one in the switch's own box).
PictureLayout PlanPicture(const TopologyView& view, std::size_t maxNotes);

}  // namespace disco

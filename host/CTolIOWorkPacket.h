// A unit of extra I/O work the engine hands to an agent's I/O handler. Agents here add none.
#pragma once

class CTolIOWorkPacket {
 public:
  virtual ~CTolIOWorkPacket() = default;
};

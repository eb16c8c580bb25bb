// A scope rule of the engine's discovery scope. Agents only pass pointers to it around.
#pragma once

class CDiscoScopeRule {
 public:
  virtual ~CDiscoScopeRule() = default;
};

// Base of every application the engine runs, agents included: name, description and the start-up
// slots. Virtual slots 0 to 5 of an agent are declared here, in slot order.
#pragma once

#include <mutex>
#include <string>

class CTolApplication {
 public:
  CTolApplication() = default;
  CTolApplication(const CTolApplication&) = delete;
  CTolApplication& operator=(const CTolApplication&) = delete;

  virtual int RAInitEngine();                           // slot 0; returns 1
  virtual int RAStartEngine();                          // slot 1; returns 1
  virtual ~CTolApplication();                           // slot 2
  virtual int RAProcessCmdLine(int argc, char** argv);  // slot 3; returns 1
  virtual int RAInitApp(int argc, char** argv);         // slot 4; returns 1
  virtual void RASafeExit();                            // slot 5; does nothing

  // The name and description set by RASetName / RASetDesc (copies; "" before).
  std::string RAGetName() const;
  std::string RAGetDesc() const;

 protected:
  // Keep copies of the texts (null gives ""). Thread-safe.
  void RASetName(const char* name);
  void RASetDesc(const char* desc);

 private:
  mutable std::mutex m_Mutex;
  std::string m_Name;
  std::string m_Desc;
};

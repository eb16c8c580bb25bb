// Runs snmpsimd, the SNMP agent simulator, for the length of a test: it serves .snmprec
// recordings over SNMP v1, v2c and v3 on a loopback address (127.0.0.2 to 127.0.0.254, chosen at
// random) and a free unprivileged UDP port, so that tests reach a real SNMP agent without
// touching the network.
//
//   Snmpsim sim;
//   sim.AddRecording("public", "1.3.6.1.2.1.1.5.0|4|sw\n");
//   std::string error;
//   ASSERT_TRUE(sim.Start(&error)) << error;
//   // device record: "m_IpAddress" = sim.Address(), "m_SnmpPort" = sim.Port();
//   // net-snmp backend: community "public" (v1/v2c), or v3 user + context name "public".
//
// A recording is served to the community of its name, and to SNMPv3 requests whose context name
// is that name. The simulator is always stopped: by Stop, by the destructor, and (through the
// kernel) when the process that started it dies, provided the thread that called Start is still
// alive then (start it from the test's own thread). When the test process runs as root, the
// simulator runs as nobody:nogroup.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// An SNMPv3 USM user of the simulator, with snmpsimd's protocol names. An empty auth protocol
// makes a noAuthNoPriv user; an empty privacy protocol an authNoPriv one.
struct SnmpsimUser {
  std::string name;
  std::string authProtocol;  // MD5, SHA, SHA224, SHA256, SHA384, SHA512
  std::string authKey;       // passphrase, at least 8 characters
  std::string privProtocol;  // DES, 3DES, AES (AES128), AES192, AES256, AES192BLMT, AES256BLMT
  std::string privKey;
};

// A UDP port that is free on `address` at the time of asking (0 when none could be found).
int FreeUdpPort(const std::string& address = "127.0.0.1");

class Snmpsim {
 public:
  Snmpsim() = default;
  ~Snmpsim();  // Stop()
  Snmpsim(const Snmpsim&) = delete;
  Snmpsim& operator=(const Snmpsim&) = delete;

  // True when snmpsimd is installed (tests may skip without it).
  static bool Installed();

  // Before Start: serves `snmprec` text (or the file at `path`) under `community`, a name of
  // letters, digits, '.', '_' and '-'. AddRecordingFile returns false when the file cannot be read.
  void AddRecording(const std::string& community, const std::string& snmprec);
  bool AddRecordingFile(const std::string& community, const std::string& path);
  // Before Start: adds an SNMPv3 user.
  void AddUser(const SnmpsimUser& user);

  // Writes the recordings into a fresh temporary directory, starts snmpsimd and waits until it
  // listens on its endpoint (at most `waitSeconds`). Returns true, or false with `*error` (which
  // includes the end of the simulator's log) after cleaning up. Call once.
  bool Start(std::string* error, int waitSeconds = 60);
  // Stops the simulator and removes its directory. Safe to call any number of times.
  void Stop();

  bool Running() const { return m_Pid > 0; }
  const std::string& Address() const { return m_Address; }  // "127.0.0.N"
  int Port() const { return m_Port; }
  // Everything snmpsimd wrote so far (its log), for diagnostics.
  std::string Log() const;

 private:
  bool Launch(std::string* error);
  bool WaitUntilListening(int waitSeconds, std::string* error);

  std::vector<std::pair<std::string, std::string>> m_Recordings;  // community, text
  std::vector<SnmpsimUser> m_Users;
  std::string m_Dir;  // temporary directory, removed by Stop
  std::string m_Address;
  int m_Port = 0;
  pid_t m_Pid = -1;
};

// One device on its way through a discovery run: its record and stores as the agent sees them,
// the error reports raised while its steps ran, and what became of it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/collect/ArpCollector.h"
#include "engine/collect/CollectedData.h"
#include "engine/collect/RefusedMacValues.h"
#include "engine/collect/SystemCollector.h"
#include "engine/run/DiscoveryPlan.h"
#include "host/CDiscoMediationData.h"
#include "host/CDiscoProcessedData.h"
#include "host/CTolErrorSink.h"
#include "host/CTolRecord.h"
#include "host/netsnmp/CDiscoNetSnmpBackend.h"

namespace disco {

// What walking a device's ARP table cost and met: kept by the first step of a run several
// processes share, so that the device's later step, which does not walk it again, still counts it.
struct ArpWalkLog {
  CDiscoSnmpCounters cost;            // over the network
  RefusedMacCounts refused;           // MAC values the requester refused, by column
  std::vector<std::string> problems;  // values that could not be decoded, over the network
};

enum class DeviceStatus {
  kDiscovered,    // passed the filter, every SNMP request answered
  kIncomplete,    // passed the filter, but some SNMP requests failed
  kRejected,      // answered, but the agent's filter did not take it (the engine's own
                  // collectors read it)
  kNotAnswering,  // no usable answer to the filter's request (time-out, refused credentials)
  kInterrupted,   // the run was stopped (SIGINT, SIGTERM) before the device was through
  kTimedOut,      // its steps took longer than the per-device time limit
};

// How the engine ended a device's steps.
enum class DeviceEnd {
  kThrough,      // the device went through every step it could take
  kInterrupted,  // stopped by a signal, in flight or before it started
  kTimedOut,     // abandoned by the watchdog over the time limit
};

const char* DeviceStatusName(DeviceStatus status);  // "discovered", "incomplete", ...

struct DeviceRun {
  explicit DeviceRun(DeviceEntry s);

  DeviceEntry entry;
  // The device record: "m_Name", "m_IpAddress", and "m_SnmpPort", "m_DownloadFdbData",
  // "m_AddressSpace" when they apply.
  std::unique_ptr<CTolRecord> record;
  std::unique_ptr<CDiscoMediationData> med;
  std::unique_ptr<CDiscoProcessedData> proc;  // freed once the device's results are made
  CTolErrorLog errors;  // reports raised on the engine thread while this device's steps ran

  bool passedFilter = false;
  // Whether the filter's request was answered, once the filter ran: a device the agent declined
  // stays declined, not "not answering", when a later request of the engine's collectors fails.
  std::optional<bool> filterAnswered;
  std::vector<ArpPair> arp;  // the device's ARP table, read in phase 2,
                             // until the run's ARP data is built
  size_t arpEntries = 0;     // how many entries it had
  // Set when an earlier step of a run several processes share read the device's ARP table
  // (`arpEntries` is its size then): it is not walked again, and what walking it cost and met
  // counts in `snmpCounters`, `refusedMacValues` and `valueProblems`, the problems where the
  // walk would have met them (after `problemsBeforeArpWalk` of this step's).
  bool arpReadBefore = false;
  ArpWalkLog arpWalk;  // the walk's, in either step
  size_t problemsBeforeArpWalk = 0;
  SwitchSystem system;  // read by the engine after phase 2, for the topology
  // What went over SNMP to and from the device, when it was reached over the network.
  std::optional<CDiscoSnmpCounters> snmpCounters;
  // Whether the device stopped answering mid-run and its remaining SNMP requests were not sent
  // (CDiscoFailFastBackend); the device is then incomplete, or not answering.
  bool snmpGivenUp = false;
  // Values kept from the agent because they were not MAC addresses, by column.
  RefusedMacCounts refusedMacValues;
  // Values left out because they could not be read, one text each: lines of the device's
  // recording ("FILE:LINE: OID: reason"; CDiscoSnmprecBackend::Problems), or values the device
  // answered over the network that could not be decoded ("OID: reason";
  // CDiscoNetSnmpBackend::ValueProblems). Those instances were taken as absent, the rest as
  // they were.
  std::vector<std::string> valueProblems;
  std::vector<std::string> leftInMediationData;  // keys the agent did not clean up
  DeviceCollections collected;  // the engine's own collectors' findings, freed with `proc`
  double seconds = 0;           // time spent in the device's steps
  DeviceEnd ended = DeviceEnd::kThrough;

  // Reports of the SNMP requester (SNMP failures) and the other reports (the agent's).
  std::vector<TolErrorRecord> SnmpFailures() const;
  std::vector<TolErrorRecord> AgentErrors() const;
  DeviceStatus Status() const;
  // Why the device is not discovered, in a few words; empty when it is.
  std::string Reason() const;
};

// Builds the device record of `entry`. Owned by the caller.
std::unique_ptr<CTolRecord> MakeDeviceRecord(const DeviceEntry& entry);

}  // namespace disco

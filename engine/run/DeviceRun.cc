#include "engine/run/DeviceRun.h"

#include "host/CTolVarBind.h"

namespace disco {

namespace {

const char kRequesterSource[] = "CDiscoStdRequester";

}  // namespace

const char* DeviceStatusName(DeviceStatus status) {
  switch (status) {
    case DeviceStatus::kDiscovered:
      return "discovered";
    case DeviceStatus::kIncomplete:
      return "incomplete";
    case DeviceStatus::kRejected:
      return "rejected";
    case DeviceStatus::kNotAnswering:
      return "not answering";
    case DeviceStatus::kInterrupted:
      return "interrupted";
    case DeviceStatus::kTimedOut:
      return "timed out";
  }
  return "unknown";
}

DeviceRun::DeviceRun(DeviceEntry s)
    : entry(std::move(s)),
      record(MakeDeviceRecord(entry)),
      med(std::make_unique<CDiscoMediationData>()),
      proc(std::make_unique<CDiscoProcessedData>()) {}

std::vector<TolErrorRecord> DeviceRun::SnmpFailures() const {
  std::vector<TolErrorRecord> out;
  for (const TolErrorRecord& r : errors.Records()) {
    if (r.source == kRequesterSource) out.push_back(r);
  }
  return out;
}

std::vector<TolErrorRecord> DeviceRun::AgentErrors() const {
  std::vector<TolErrorRecord> out;
  for (const TolErrorRecord& r : errors.Records()) {
    if (r.source != kRequesterSource) out.push_back(r);
  }
  return out;
}

DeviceStatus DeviceRun::Status() const {
  if (ended == DeviceEnd::kInterrupted) return DeviceStatus::kInterrupted;
  if (ended == DeviceEnd::kTimedOut) return DeviceStatus::kTimedOut;
  std::vector<TolErrorRecord> failures = SnmpFailures();
  if (!passedFilter) {
    return filterAnswered.value_or(failures.empty()) ? DeviceStatus::kRejected
                                                     : DeviceStatus::kNotAnswering;
  }
  return failures.empty() ? DeviceStatus::kDiscovered : DeviceStatus::kIncomplete;
}

std::string DeviceRun::Reason() const {
  std::vector<TolErrorRecord> failures = SnmpFailures();
  switch (Status()) {
    case DeviceStatus::kDiscovered:
      return "";
    case DeviceStatus::kNotAnswering:
      return "no usable answer over SNMP (check the address, port, credentials and time-out): " +
             failures.front().text;
    case DeviceStatus::kRejected:
      return std::string("the agent's filter rejected it (no dot1dTpAgingTime.0: not a bridge?)") +
             (collected.interfacesRead ? "; read by the engine's own collectors" : "") +
             (failures.empty() ? ""
                               : " (" + std::to_string(failures.size()) + " SNMP request" +
                                     (failures.size() == 1 ? "" : "s") +
                                     " failed, first: " + failures.front().text + ")");
    case DeviceStatus::kInterrupted:
      return "the run was stopped by a signal before the device was through; its findings so far "
             "are lost";
    case DeviceStatus::kTimedOut:
      return "still in the agent's steps after the per-device time limit (--device-timeout); "
             "abandoned, its findings so far are lost";
    case DeviceStatus::kIncomplete:
      if (snmpGivenUp) {
        return "stopped answering during the discovery; its remaining SNMP requests were not "
               "sent (" +
               std::to_string(failures.size()) + " SNMP request" +
               (failures.size() == 1 ? "" : "s") + " failed, last: " + failures.back().text + ")";
      }
      return std::to_string(failures.size()) + " SNMP request" + (failures.size() == 1 ? "" : "s") +
             " failed, first: " + failures.front().text;
  }
  return "";
}

std::unique_ptr<CTolRecord> MakeDeviceRecord(const DeviceEntry& entry) {
  auto record = std::make_unique<CTolRecord>();
  record->RRAddValue(new CTolVarBind("m_Name", entry.name.c_str()));
  record->RRAddValue(new CTolVarBind("m_IpAddress", entry.address.c_str()));
  if (entry.port != 161) record->RRAddValue(new CTolVarBind("m_SnmpPort", entry.port));
  if (entry.downloadFdb) {
    record->RRAddValue(new CTolVarBind("m_DownloadFdbData", *entry.downloadFdb ? 1 : 0));
  }
  if (!entry.addressSpace.empty()) {
    record->RRAddValue(new CTolVarBind("m_AddressSpace", entry.addressSpace.c_str()));
  }
  return record;
}

}  // namespace disco

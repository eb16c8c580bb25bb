#include "host/CDiscoSnmprecBackend.h"

#include "host/CDiscoSnmprecTable.h"
#include "host/TolTypes.h"

namespace {

std::string SkipText(const std::string& where, const CDiscoSnmprecSkip& skip) {
  return where + std::to_string(skip.line) + ": " + (skip.oid.empty() ? "" : skip.oid + ": ") +
         skip.reason;
}

}  // namespace

bool TolParseSnmprec(const std::string& text, std::vector<TolSnmpRow>* rows, std::string* error) {
  std::shared_ptr<const CDiscoSnmprecTable> table = CDiscoSnmprecTable::Parse(text, error);
  if (!table) return false;
  if (!table->Skipped().empty()) {
    if (error)
      *error =
          "line " + std::to_string(table->Skipped()[0].line) + ": " + table->Skipped()[0].reason;
    return false;
  }
  if (rows) {
    rows->clear();
    rows->resize(table->Size());
    for (size_t i = 0; i < table->Size(); ++i) table->Row(i, &(*rows)[i]);
  }
  return true;
}

std::string CDiscoSnmprecBackend::KeyOf(const std::string& address, int port,
                                        const std::string& name) {
  return address + ":" + std::to_string(port) + (name.empty() ? "" : " " + name);
}

bool CDiscoSnmprecBackend::DeviceKey(const std::string& address, int port, const std::string& name,
                                     std::string* key, std::string* error) {
  if (address.empty() || port < -1 || port == 0 || port > 65535) {
    if (error) *error = "bad device address '" + address + ":" + std::to_string(port) + "'";
    return false;
  }
  *key = KeyOf(address, port, name);
  return true;
}

bool CDiscoSnmprecBackend::AddDevice(const std::string& address, const std::string& snmprecText,
                                     std::string* error, int port, const std::string& name) {
  std::string key;
  if (!DeviceKey(address, port, name, &key, error)) return false;
  auto recording = std::make_shared<Recording>();
  recording->table = CDiscoSnmprecTable::Parse(snmprecText, error);
  if (!recording->table) return false;
  Register(key, std::move(recording));
  return true;
}

void CDiscoSnmprecBackend::Register(const std::string& key, std::shared_ptr<Recording> recording) {
  const CDiscoSnmprecTable& table = *recording->table;
  const std::string where = recording->path.empty() ? "line " : recording->path + ":";
  for (const CDiscoSnmprecSkip& skip : table.Skipped()) {
    recording->problems.push_back(SkipText(where, skip));
  }
  if (table.SkippedCount() > table.Skipped().size()) {
    recording->problems.push_back(
        (recording->path.empty() ? std::string("the recording") : recording->path) + ": " +
        std::to_string(table.SkippedCount() - table.Skipped().size()) + " more lines left out");
  }
  if (!recording->pinned) recording->table.reset();
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Devices[key] = std::move(recording);
}

std::vector<std::string> CDiscoSnmprecBackend::Problems(const std::string& address, int port,
                                                        const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_Devices.find(KeyOf(address, port, name));
  return it == m_Devices.end() ? std::vector<std::string>() : it->second->problems;
}

bool CDiscoSnmprecBackend::AddDeviceFile(const std::string& address, const std::string& path,
                                         std::string* error, int port, bool pinned,
                                         const std::string& name) {
  std::string key;
  if (!DeviceKey(address, port, name, &key, error)) return false;
  auto recording = std::make_shared<Recording>();
  recording->path = path;
  recording->pinned = pinned;
  recording->table = CDiscoSnmprecTable::ParseFile(path, error);
  if (!recording->table) return false;
  Register(key, std::move(recording));
  return true;
}

void CDiscoSnmprecBackend::Release(const std::string& address, int port, const std::string& name) {
  std::shared_ptr<Recording> recording;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    auto it = m_Devices.find(KeyOf(address, port, name));
    if (it == m_Devices.end()) return;
    recording = it->second;
  }
  if (recording->pinned) return;
  std::lock_guard<std::mutex> lock(recording->loading);
  recording->table.reset();  // requests under way keep their own reference
}

std::shared_ptr<const CDiscoSnmprecTable> CDiscoSnmprecBackend::Find(const CDiscoSnmpTarget& target,
                                                                     bool* failed,
                                                                     std::string* reason) const {
  *failed = false;
  std::shared_ptr<Recording> recording;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    auto it = m_Devices.find(KeyOf(target.address, target.port, target.name));
    if (it == m_Devices.end()) it = m_Devices.find(target.Key());
    if (it == m_Devices.end()) it = m_Devices.find(target.address + ":-1");
    if (it == m_Devices.end()) return nullptr;
    recording = it->second;
  }
  if (recording->pinned) return recording->table;
  // Read outside the backend's lock: other devices' requests go on meanwhile.
  std::lock_guard<std::mutex> lock(recording->loading);
  if (!recording->table) {
    std::string why;
    recording->table = CDiscoSnmprecTable::ParseFile(recording->path, &why);
    if (!recording->table) {
      *failed = true;
      if (reason) *reason = "recording " + recording->path + ": " + why;
    }
  }
  return recording->table;
}

// A device without a recording behaves like a device that does not answer: a time-out.
int CDiscoSnmprecBackend::Missing(const CDiscoSnmpTarget& target, bool failed,
                                  std::string* reason) const {
  if (failed) return TOL_ERR_FAILED;
  if (reason) *reason = "no answer from " + target.Key() + " (no recording)";
  return TOL_ERR_TIMEOUT;
}

int CDiscoSnmprecBackend::Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
                              TolSnmpValue* value, std::string* reason) {
  ++m_Requests;
  bool failed = false;
  auto recording = Find(target, &failed, reason);
  if (!recording) return Missing(target, failed, reason);
  if (!recording->Get(oid, value)) {
    if (reason) *reason = "no such instance";
    return TOL_ERR_FAILED;
  }
  return 1;
}

int CDiscoSnmprecBackend::Walk(const CDiscoSnmpTarget& target,
                               const std::vector<unsigned long>& column,
                               std::vector<TolSnmpRow>* rows, std::string* reason) {
  ++m_Requests;
  if (rows) rows->clear();
  bool failed = false;
  auto recording = Find(target, &failed, reason);
  if (!recording) return Missing(target, failed, reason);
  if (rows) recording->Walk(column, rows);
  return 1;
}

#include "host/CDiscoSnmprecBackend.h"

#include "host/CDiscoSnmprecTable.h"
#include "host/TolTypes.h"

bool TolParseSnmprec(const std::string& text, std::vector<TolSnmpRow>* rows, std::string* error) {
  std::shared_ptr<const CDiscoSnmprecTable> table = CDiscoSnmprecTable::Parse(text, error);
  if (!table) return false;
  if (rows) {
    rows->clear();
    rows->resize(table->Size());
    for (size_t i = 0; i < table->Size(); ++i) table->Row(i, &(*rows)[i]);
  }
  return true;
}

bool CDiscoSnmprecBackend::DeviceKey(const std::string& address, int port, std::string* key,
                                     std::string* error) {
  if (address.empty() || port < -1 || port == 0 || port > 65535) {
    if (error) *error = "bad device address '" + address + ":" + std::to_string(port) + "'";
    return false;
  }
  *key = address + ":" + std::to_string(port);
  return true;
}

bool CDiscoSnmprecBackend::AddDevice(const std::string& address, const std::string& snmprecText,
                                     std::string* error, int port) {
  std::string key;
  if (!DeviceKey(address, port, &key, error)) return false;
  std::shared_ptr<const CDiscoSnmprecTable> recording =
      CDiscoSnmprecTable::Parse(snmprecText, error);
  if (!recording) return false;
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Devices[key] = std::move(recording);
  return true;
}

bool CDiscoSnmprecBackend::AddDeviceFile(const std::string& address, const std::string& path,
                                         std::string* error, int port) {
  std::string key;
  if (!DeviceKey(address, port, &key, error)) return false;
  std::shared_ptr<const CDiscoSnmprecTable> recording = CDiscoSnmprecTable::ParseFile(path, error);
  if (!recording) return false;
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Devices[key] = std::move(recording);
  return true;
}

std::shared_ptr<const CDiscoSnmprecTable> CDiscoSnmprecBackend::Find(
    const CDiscoSnmpTarget& target) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  auto it = m_Devices.find(target.Key());
  if (it == m_Devices.end()) it = m_Devices.find(target.address + ":-1");
  return it == m_Devices.end() ? nullptr : it->second;
}

// A device without a recording behaves like a device that does not answer: a time-out.
int CDiscoSnmprecBackend::Get(const CDiscoSnmpTarget& target, const std::vector<unsigned long>& oid,
                              TolSnmpValue* value, std::string* reason) {
  ++m_Requests;
  auto recording = Find(target);
  if (!recording) {
    if (reason) *reason = "no answer from " + target.Key() + " (no recording)";
    return TOL_ERR_TIMEOUT;
  }
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
  auto recording = Find(target);
  if (!recording) {
    if (reason) *reason = "no answer from " + target.Key() + " (no recording)";
    return TOL_ERR_TIMEOUT;
  }
  if (rows) recording->Walk(column, rows);
  return 1;
}

// The answers of the store's queries as text for a terminal.
#pragma once

#include <ostream>
#include <vector>

#include "engine/store/JobQueue.h"
#include "engine/store/StoreResults.h"

namespace disco {
namespace store {

void PrintRuns(const std::vector<RunRow>& runs, std::ostream& out);
// The runs of the pollers' queue, after a blank line and a heading; nothing when there is none.
void PrintQueueRuns(const std::vector<QueueRunRow>& runs, std::ostream& out);
void PrintFind(const FindResult& result, std::ostream& out);
void PrintChanges(const ChangesResult& result, std::ostream& out);
void PrintIdlePorts(const std::vector<IdlePort>& ports, int days, std::ostream& out);

}  // namespace store
}  // namespace disco

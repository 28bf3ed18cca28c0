#include "core/locks.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::mutex gWorkDirMutex;
std::mutex gListMutex;
thread_local bool tHoldsWorkDir = false;
thread_local bool tHoldsList = false;

[[noreturn]] void LockFault(const char* what) {
  std::fprintf(stderr, "lock order fault: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

}  // namespace

WorkDirLock::WorkDirLock() {
  if (tHoldsWorkDir) LockFault("working-directory lock taken twice by one thread");
  gWorkDirMutex.lock();
  tHoldsWorkDir = true;
}

WorkDirLock::~WorkDirLock() {
  tHoldsWorkDir = false;
  gWorkDirMutex.unlock();
}

ListLock::ListLock() {
  if (tHoldsWorkDir) LockFault("list lock taken while holding the working-directory lock");
  if (tHoldsList) LockFault("list lock taken twice by one thread");
  gListMutex.lock();
  tHoldsList = true;
}

ListLock::~ListLock() {
  tHoldsList = false;
  gListMutex.unlock();
}

bool HoldsWorkDirLock() { return tHoldsWorkDir; }
bool HoldsListLock() { return tHoldsList; }

// Figures of another process that Wine reports poorly, counted by hand:
// processor time summed over its threads (Wine's GetProcessTimes counts only
// a part of it) and private bytes summed over its address space (Wine leaves
// PrivateUsage at 0).
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>

inline double FileTimeMs(FILETIME t) {
  return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
}

// User + kernel time of the process's threads that exist now.
inline double ThreadsCpuMs(DWORD processId) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  double total = 0;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != processId) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
    if (thread == nullptr) continue;
    FILETIME created, exited, kernel, user;
    if (GetThreadTimes(thread, &created, &exited, &kernel, &user)) total += FileTimeMs(kernel) + FileTimeMs(user);
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return total;
}

// Committed memory that belongs to the process alone (not an image or a
// mapped file): what Windows reports as private bytes, in MiB.
inline double PrivateRegionsMb(HANDLE process) {
  uint64_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  for (uintptr_t at = 0; VirtualQueryEx(process, reinterpret_cast<void*>(at), &region, sizeof region) != 0;) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return static_cast<double>(total) / 1048576.0;
}

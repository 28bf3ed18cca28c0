// The two process-wide locks that cross threads. Portable.
//
// Working-directory lock: held by every thread while it changes the current
// directory and opens or creates files by relative name (and for a whole game
// or update run). List lock: guards every operation on the download list.
// When both are needed the list lock is taken first; taking the list lock
// while this thread holds the working-directory lock is a programming error
// and aborts, so a wrong order shows in the first test that runs it instead
// of as a rare deadlock.
#pragma once

#include <mutex>

class WorkDirLock {
 public:
  WorkDirLock();
  ~WorkDirLock();
  WorkDirLock(const WorkDirLock&) = delete;
  WorkDirLock& operator=(const WorkDirLock&) = delete;
};

class ListLock {
 public:
  ListLock();
  ~ListLock();
  ListLock(const ListLock&) = delete;
  ListLock& operator=(const ListLock&) = delete;
};

// Whether this thread holds the lock.
bool HoldsWorkDirLock();
bool HoldsListLock();

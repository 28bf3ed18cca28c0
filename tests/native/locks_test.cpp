// The order of the two process-wide locks is enforced, not just documented.
#include "core/locks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(Locks, ListLockThenWorkDirLockIsTheRightOrder) {
  ListLock list;
  WorkDirLock dir;
  EXPECT_TRUE(HoldsListLock());
  EXPECT_TRUE(HoldsWorkDirLock());
}

TEST(Locks, ReleasedAtScopeEnd) {
  { WorkDirLock dir; }
  EXPECT_FALSE(HoldsWorkDirLock());
  { ListLock list; }
  EXPECT_FALSE(HoldsListLock());
}

TEST(LocksDeathTest, ListLockUnderWorkDirLockAborts) {
  EXPECT_DEATH(
      {
        WorkDirLock dir;
        ListLock list;
      },
      "list lock taken while holding the working-directory lock");
}

TEST(LocksDeathTest, TakingTheWorkDirLockTwiceAborts) {
  EXPECT_DEATH(
      {
        WorkDirLock a;
        WorkDirLock b;
      },
      "taken twice");
}

TEST(Locks, WorkDirLockExcludesOtherThreads) {
  std::atomic<bool> inside{false};
  std::atomic<bool> overlap{false};
  auto worker = [&] {
    for (int i = 0; i < 300; ++i) {
      WorkDirLock dir;
      if (inside.exchange(true)) overlap = true;
      std::this_thread::yield();
      inside = false;
    }
  };
  std::thread a(worker), b(worker);
  a.join();
  b.join();
  EXPECT_FALSE(overlap);
}

}  // namespace

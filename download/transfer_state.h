// What the download thread tells the rest of the manager about its transfer:
// flags and byte counts, written by that thread and read by the
// user-interface thread. Atomic, no lock.
#pragma once

#include <atomic>
#include <cstdint>

struct TransferState {
  std::atomic<bool> downloadActive{false};   // a download that the user started is under way
  std::atomic<bool> connectionOpen{false};   // the thread holds an open Internet handle
  std::atomic<bool> currentShowsProgress{false};  // the current record wants the progress bar
  std::atomic<int32_t> total{0};             // bytes of the running transfer
  std::atomic<int32_t> received{0};
};

TransferState& Transfer();

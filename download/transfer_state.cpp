#include "download/transfer_state.h"

TransferState& Transfer() {
  static TransferState state;
  return state;
}

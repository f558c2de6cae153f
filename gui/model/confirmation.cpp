#include "confirmation.h"

#include <cstdio>

namespace gui {

std::string Countdown::line() const {
  char buf[48];
  std::snprintf(buf, sizeof buf, "Reverting in %d seconds", remaining_);
  return buf;
}

Countdown::State Countdown::tick() {
  if (state_ != State::Counting) return state_;
  if (--remaining_ <= 0) {
    remaining_ = 0;
    state_ = State::Reverted;
  }
  return state_;
}

Countdown::State Countdown::answer_yes() {
  if (state_ == State::Counting) state_ = State::Kept;
  return state_;
}

Countdown::State Countdown::answer_no() {
  if (state_ == State::Counting) state_ = State::Reverted;
  return state_;
}

}  // namespace gui

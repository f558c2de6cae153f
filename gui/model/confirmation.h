// The "Monitor Settings" confirmation as a state machine: it counts down
// from 15, one per timer tick, and ends kept (Yes) or reverted (No, the
// close box, Esc, or the count reaching 0).
#pragma once
#include <string>

namespace gui {

inline const char* const kConfirmTitle = "Monitor Settings";
inline const char* const kConfirmQuestion = "Your desktop has been reconfigured. Do you want to keep these settings?";

// The confirmation runs after an Apply only when no later page of the
// sheet exists (that page confirms) and something was edited.
inline bool confirmation_due(bool later_page_created, bool modified) { return !later_page_created && modified; }

class Countdown {
 public:
  static constexpr int kSeconds = 15;
  enum class State { Counting, Kept, Reverted };

  State state() const { return state_; }
  int remaining() const { return remaining_; }
  // "Reverting in %d seconds".
  std::string line() const;
  // One tick of the 1000 ms timer; at 0 the settings are reverted.
  State tick();
  State answer_yes();
  State answer_no();

 private:
  int remaining_ = kSeconds;
  State state_ = State::Counting;
};

}  // namespace gui

// The sessions of this machine that use the register access driver, counted
// by the operating system: each holds a lock on a slot of the file
// "<windows dir>\hwpeek.sessions" for as long as it uses the driver, and the
// system drops the locks of a process that ends, killed or not, so the
// count never outlives its sessions. Byte 0 of the file is held while a
// session installs or removes the driver, so two sessions never do those
// steps at once. Without the file (it cannot be created) a session counts
// itself alone.
#pragma once

class DriverSessions {
 public:
  // Waits for the install lock; released by the destructor. A session that
  // starts first gives up any slot a session of this process left behind.
  explicit DriverSessions(bool starting);
  ~DriverSessions();
  DriverSessions(const DriverSessions&) = delete;
  DriverSessions& operator=(const DriverSessions&) = delete;

  // Takes a free slot for this process's session, kept until leave().
  void join();
  // Gives up this process's slot.
  void leave();
  // Whether a slot other than this process's own is held.
  bool others_live() const;
};

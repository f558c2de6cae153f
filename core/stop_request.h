// A request to stop a long-running command (watch_reg's sampling loop)
// before it is done: an interrupt handler sets it, the loop checks it once
// per sample and clears it when it starts. Safe to set from a signal or
// console control handler (a lock-free atomic flag).
#pragma once

void request_stop();
bool stop_requested();
void clear_stop_request();

// SRService: runs work items queued by other threads on the UI thread.
#pragma once

namespace kavri {

class SRService {
 public:
  static SRService& instance();
  // Starts the service on the calling (UI) thread; must run before any window exists.
  bool start();
  // Stops the service; waits for the threads handed to its reaper.
  void stop();
};

}  // namespace kavri

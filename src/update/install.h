#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "update/staged_update.h"

namespace vantiro::update {

// A new process that has not begun to run yet.
struct SuspendedProcess {
  virtual ~SuspendedProcess() = default;
  // Lets it run; false when it could not start (also when its program cannot be run).
  virtual bool resume() = 0;
  // Ends it with exit code 1 and waits up to wait_ms for it.
  virtual void terminate(std::uint32_t wait_ms) = 0;
};

struct ProcessStarter {
  virtual ~ProcessStarter() = default;
  // Arguments exclude the program itself; the host quotes them for its command line.
  virtual std::unique_ptr<SuspendedProcess> create_suspended(
      const Path& program, const std::vector<std::u16string>& arguments,
      const Path& working_folder) = 0;
};

// The single-instance lock, handed to the new process just before it runs.
struct InstanceLock {
  virtual ~InstanceLock() = default;
  virtual void release() = 0;
  virtual bool reacquire() = 0;
};

struct InstallLocations {
  Path running_executable;
  std::optional<Path> per_user_executable;  // none when the known folder is unavailable
};

// The running executable when the download lies in its folder, otherwise the per-user copy.
std::optional<Path> install_target(const InstallLocations& locations, const Path& temp_path);

std::vector<std::u16string> restart_arguments(bool ui_swedish);

enum class InstallOutcome {
  restarted,       // the new process runs; the caller destroys the main window
  failed,          // nothing changed, or the old program is back in place
  restore_failed,  // the old program could not be put back
};

struct InstallPorts {
  ProcessStarter& starter;
  InstanceLock& lock;
  std::function<void()> save_window_placement;
};

// Swaps the verified update into place and starts it; rolls the swap back when the new
// process cannot be started. The update's file is no longer its own once the swap moved it.
InstallOutcome install_update_and_restart(StagedUpdate& update, const InstallLocations& locations,
                                          bool ui_swedish, InstallPorts& ports);

}  // namespace vantiro::update

#include "update/install.h"

#include "update/swap.h"

namespace vantiro::update {
namespace {

// Folders compared as absolute, normalised paths; the host hands in absolute paths.
bool same_folder(const Path& a, const Path& b) {
  return a.lexically_normal().parent_path() == b.lexically_normal().parent_path();
}

InstallOutcome roll_back(UpdateFiles& files, const Path& target) {
  return roll_back_swap(files, target) == RollBack::failed ? InstallOutcome::restore_failed
                                                           : InstallOutcome::failed;
}

}  // namespace

std::optional<Path> install_target(const InstallLocations& locations, const Path& temp_path) {
  if (!locations.running_executable.empty() && same_folder(temp_path, locations.running_executable))
    return locations.running_executable;
  return locations.per_user_executable;
}

std::vector<std::u16string> restart_arguments(bool ui_swedish) {
  return {u"--cleanup-old", ui_swedish ? u"--lang=sv" : u"--lang=en"};
}

InstallOutcome install_update_and_restart(StagedUpdate& update, const InstallLocations& locations,
                                          bool ui_swedish, InstallPorts& ports) {
  if (update.temp_path().empty()) return InstallOutcome::failed;
  const auto target = install_target(locations, update.temp_path());
  if (!target || target->empty()) return InstallOutcome::failed;
  const auto arguments = restart_arguments(ui_swedish);
  if (ports.save_window_placement) ports.save_window_placement();
  update.close_held();

  UpdateFiles& files = update.files();
  if (!atomic_binary_swap(files, *target, update.temp_path())) return InstallOutcome::failed;
  // The downloaded file is now the target; deleting it with the record would delete the
  // program.
  update.forget_file();

  auto process = ports.starter.create_suspended(*target, arguments, target->parent_path());
  if (!process) return roll_back(files, *target);
  ports.lock.release();
  if (process->resume()) return InstallOutcome::restarted;
  process->terminate(2000);
  const InstallOutcome outcome = roll_back(files, *target);
  ports.lock.reacquire();
  return outcome;
}

}  // namespace vantiro::update

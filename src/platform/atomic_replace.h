#pragma once

// Pieces shared by the hosts' atomic file replacement, and the seam through which tests
// interrupt it at each step.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "common/file_system.h"

namespace vantiro::platform {

// Attempts at a free staging name before a replace gives up.
inline constexpr unsigned kMaxStagingAttempts = 16;

// Bytes handed to one write call; a large file is written in several calls.
inline constexpr std::size_t kWriteChunkBytes = std::size_t{1} << 20;

// The staging file for target: the target path, ".", the process id, ".", the tick, ".", the
// attempt, ".tmp". It lies in the target's own folder so the final move is a rename.
inline Path staging_path(const Path& target, std::uint64_t process_id, std::uint64_t tick,
                         unsigned attempt) {
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on a chain of operator+.
  std::string suffix;
  for (const std::string& part :
       {std::to_string(process_id), std::to_string(tick), std::to_string(attempt)}) {
    suffix.append(".").append(part);
  }
  suffix.append(".tmp");
  Path::string_type name = target.native();
  name += Path(suffix).native();
  return Path(name);
}

// Steps of one atomic replace, in the order a host runs them. A host runs only the steps it
// has: set_mode and flush_folder are POSIX ones.
enum class AtomicReplaceStep {
  create_staging,  // once per attempt at a staging name
  write,           // once per write call
  set_mode,
  flush,
  close,
  rename,
  flush_folder,
};

inline std::string_view step_name(AtomicReplaceStep step) {
  switch (step) {
    case AtomicReplaceStep::create_staging:
      return "create_staging";
    case AtomicReplaceStep::write:
      return "write";
    case AtomicReplaceStep::set_mode:
      return "set_mode";
    case AtomicReplaceStep::flush:
      return "flush";
    case AtomicReplaceStep::close:
      return "close";
    case AtomicReplaceStep::rename:
      return "rename";
    case AtomicReplaceStep::flush_folder:
      return "flush_folder";
  }
  return "?";
}

struct AtomicReplaceHooks {
  // Asked before each step; false makes the step fail as if the system call had failed.
  // A refused create_staging counts as a name that is already taken.
  std::function<bool(AtomicReplaceStep)> allow_step;
  // Stands in for the monotonic tick in staging names, so a test can predict them.
  std::function<std::uint64_t()> tick;
};

// The host's file system with hooks; make_file_system() is this with no hooks.
std::unique_ptr<FileSystem> make_file_system(AtomicReplaceHooks hooks);

// Process id as it appears in staging names.
std::uint64_t current_process_id();

}  // namespace vantiro::platform

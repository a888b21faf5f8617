#include "update/swap.h"

namespace vantiro::update {

Path rollback_copy_of(const Path& target) {
  Path p = target;
  p += ".old";
  return p;
}

bool atomic_binary_swap(UpdateFiles& files, const Path& target, const Path& replacement) {
  if (target.empty() || replacement.empty()) return false;
  if (files.kind(replacement) != PathKind::regular_file) return false;
  const Path backup = rollback_copy_of(target);
  const PathKind target_kind = files.kind(target);
  if (target_kind == PathKind::missing) return files.move_replacing(replacement, target);
  if (target_kind != PathKind::regular_file) return false;
  if (files.replace_with_backup(target, replacement, backup)) return true;
  // Whichever step failed, the old program ends up at the target again: a missing target, or
  // a replacement that already moved in, is answered with the rollback copy.
  const bool target_missing = files.kind(target) == PathKind::missing;
  const bool replacement_moved = files.kind(replacement) == PathKind::missing;
  if ((target_missing || replacement_moved) && files.kind(backup) == PathKind::regular_file)
    files.move_replacing(backup, target);
  return false;
}

RollBack roll_back_swap(UpdateFiles& files, const Path& target) {
  const Path backup = rollback_copy_of(target);
  if (files.kind(backup) == PathKind::missing)
    return files.remove_file(target) ? RollBack::removed_new : RollBack::failed;
  return files.move_replacing(backup, target) ? RollBack::restored : RollBack::failed;
}

bool remove_rollback_copy(UpdateFiles& files, const Path& executable) {
  const Path backup = rollback_copy_of(executable);
  const PathKind kind = files.kind(backup);
  if (kind == PathKind::missing) return true;
  // Only a plain file of that name is ours to delete.
  return kind == PathKind::regular_file && files.remove_file(backup);
}

}  // namespace vantiro::update

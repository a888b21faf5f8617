#pragma once

#include "update/update_files.h"

namespace vantiro::update {

// The target's path followed by ".old".
Path rollback_copy_of(const Path& target);

// Puts replacement in target's place, keeping the old target as its rollback copy. After any
// failure the target is left in place, or restored from the rollback copy when it went missing.
bool atomic_binary_swap(UpdateFiles& files, const Path& target, const Path& replacement);

enum class RollBack { restored, removed_new, failed };

// Undoes a swap: the rollback copy goes back onto the target; without one the target was
// new and is deleted.
RollBack roll_back_swap(UpdateFiles& files, const Path& target);

// At the start after an update: the rollback copy is no longer needed. True when it is gone.
bool remove_rollback_copy(UpdateFiles& files, const Path& executable);

}  // namespace vantiro::update

#include "app/app_runtime.h"

namespace vantiro::app {

void record_exit_code(AppRuntime& runtime, int code) {
  if (code != kExitSuccess && !runtime.failure_code) runtime.failure_code = code;
}

int final_exit_code(const AppRuntime& runtime, int loop_code) {
  if (runtime.failure_code) return *runtime.failure_code;
  if (loop_code != kExitSuccess) return loop_code;
  if (runtime.visual_check() && !runtime.visual_check_report_passed) return kExitFailure;
  return kExitSuccess;
}

int second_instance_exit_code(LaunchMode mode) {
  return mode == LaunchMode::uninstall || mode == LaunchMode::visual_check ? kExitFailure
                                                                           : kExitSuccess;
}

}  // namespace vantiro::app

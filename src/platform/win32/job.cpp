#include "platform/win32/job.h"

namespace carafe::platform {

void keepWithLauncher(HANDLE process) {
  // Not inheritable: only the launcher holds it, until it ends.
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
      !AssignProcessToJobObject(job, process)) {
    CloseHandle(job);
  }
}

}  // namespace carafe::platform

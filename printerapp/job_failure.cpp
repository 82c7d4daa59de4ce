// A failed job's reason and message (see job_failure.h).
#include "job_failure.h"

void FailJob(pappl_job_t* job, pappl_jreason_t reason, const std::string& message) {
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", message.c_str());
  papplJobSetMessage(job, "%s", message.c_str());
  papplJobSetReasons(job, reason, PAPPL_JREASON_NONE);
}

// How the printer application's job callbacks end a job that cannot print.
#pragma once

#include <pappl/pappl.h>

#include <string>

// Ends a job's processing as failed: the reason in its job-state-reasons, the
// message in its job-state-message and the log.
void FailJob(pappl_job_t* job, pappl_jreason_t reason, const std::string& message);

#pragma once
#include <string>

#include "action_job.h"

// The long operations, each run on a detached worker thread of its own. They reach the page
// only through postPageMessage.

// Runs the kit script for one job, reports to the page, frees the job and clears actionBusy.
void runAction(ActionJob* job);

// keepSha: empty or 64 hexadecimal digits.
void runStatusQuery(const std::wstring& keepSha);

void runServerCheck();

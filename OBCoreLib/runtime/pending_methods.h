// The runtime object's methods whose service it does not use yet: the remote jobs
// of the AT service (Net...). Each answers as it does when its service refuses:
// the failure result of its row with S_FALSE, and the accessors of job objects as
// they answer a handle that is no job object (nothing can make one yet). Thread of
// the calling script.
#pragma once

#include "OBCoreLib/automation/automation_object.h"

namespace ob::corelib {

/// NetCreateProcess, NetCreateProcessAsUser, NetScheduleJobAdd and
/// NetScheduleJobAddAsUser: -1 with S_FALSE.
I4Result RemoteJobRefused();
/// NetScheduleJobDel, NetScheduleJobGetInfo, NetScheduleJobEnum,
/// NetScheduleJobEnumCount and NetScheduleJobEnumGet: 0 with S_FALSE.
I4Result RemoteCallRefused();
/// NetScheduleJobGetInfoJobId of a handle that is no job-info object: -1, S_OK.
I4Result NoJobId();
/// NetScheduleJobGetInfoError of such a handle: 0, S_OK.
I4Result NoJobError();
/// NetScheduleJobGetInfoCommand: "", S_FALSE; NetScheduleJobGetInfoTime: "", S_OK.
TextResult NoJobCommand();
TextResult NoJobTime();

} // namespace ob::corelib

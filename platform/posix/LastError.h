// The host's errors in Windows terms: every failure of a host call is translated here.
#pragma once

#include "platform/Platform.h"

namespace posix {

// The Windows error code closest to a host errno value.
DWORD ErrorFromErrno(int error);
// Sets the last error from errno.
void SetLastErrorFromErrno();

}  // namespace posix

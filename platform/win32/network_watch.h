// The Win32 side of the log-on run's wait for its network share: the run's
// named object, probes on a thread of their own, and the events that make
// a waiting run probe again.
#pragma once

#include "platform/platform.h"

namespace qv {

// CreateFileA of `address` for reading (a folder opens too), closed at
// once: 0, or the error.
uint32_t OpenAndClose(const char* address);

bool ClaimRunName(const char* name);
void ReleaseRunName();
// Whether a second start signalled the claimed name; takes the signal.
bool RunNameSignalled();
void BeginNetworkWatch();
void EndNetworkWatch();
bool StartProbeThread(const char* address);
WaitEvent NextNetworkEvent(unsigned milliseconds, unsigned toleranceMs);

}  // namespace qv

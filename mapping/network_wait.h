// The unattended run's wait for a network share that does not answer yet:
// bounded by "WaitForNetwork", then, with "WaitUntilLogOff", idle until the
// session ends. Probes run off the window's thread, so the window answers
// broadcasts, a log-off and a second start at once.
#pragma once

#include <cstdint>

#include "settings/text.h"

namespace qv {

enum class ShareWait : uint8_t {
  kReachable,     // a probe found the server; `code` is its answer
  kGaveUp,        // the bounded wait is over: the last answer, or 121
  kReread,        // a second start re-read settings that no longer wait
  kSessionEnded,  // log-off or shutdown: nothing more is to happen
};

struct ShareWaitEnd {
  ShareWait how;
  uint32_t code;
};

// Waits for `Settings.ShareAddress`. A second start hands over: the settings
// are read again and prepared as the run prepares them, `asTyped` with them.
ShareWaitEnd WaitForShare(char (&asTyped)[kTextSize]);

// Makes this process the one unattended run of its settings file in this
// session; false when another run of that file is under way (it has been
// asked to probe now, and this one should end).
bool ClaimUnattendedRun();

}  // namespace qv

// The unattended run's wait for a network share that does not answer yet:
// bounded by "WaitForNetwork", then, with "WaitUntilLogOff", idle until the
// session ends. Probes run off the window's thread, so the window answers
// broadcasts, a log-off and a second start at once.
#pragma once

#include <cstdint>

#include "settings/text.h"

namespace qv {

enum class ShareWait : uint8_t {
  kAnswered,      // a probe got an answer from the network: `code`
  kGaveUp,        // the bounded wait is over: the last answer, or 121
  kReread,        // a second start re-read settings that no longer wait
  kSessionEnded,  // log-off or shutdown: nothing more is to happen
};

struct ShareWaitEnd {
  ShareWait how;
  uint32_t code;
};

// Whether a probe's answer says that nothing has answered yet (no name, no
// route, no transport, no domain controller, a time-out): only such an
// answer keeps a wait going. A refusal ends it, to be told at once.
bool NothingAnsweredYet(uint32_t probe);

// Whether a change of the address table is a sign that a network came:
// only an added address is.
bool AddressSignCounts(uint32_t notificationType);

// Whether a log-on run of these settings waits for its share.
bool WaitAsked(const char* address, uint8_t driveType, uint16_t waitForNetwork,
               uint8_t waitUntilLogOff);

// Waits for `Settings.ShareAddress`. A second start hands over: the settings
// are read again and prepared as the run prepares them, `asTyped` with them.
ShareWaitEnd WaitForShare(char (&asTyped)[kTextSize]);

// Makes this process the one waiting run of its settings file in this
// session; false when another run of that file is under way (it has been
// asked to map now, and this one should end).
bool ClaimUnattendedRun();

// Called where a run that claimed would give up: true, once per run, when a
// second start came meanwhile; the run then reads its settings again and
// maps once more. Otherwise false.
bool HandedOverBeforeGivingUp();

// Lets the claim go, so that a later start runs on its own; a handover not
// yet taken goes with it.
void ReleaseClaim();

}  // namespace qv

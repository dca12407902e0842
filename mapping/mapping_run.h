// The mapping run: connect, substitute or drop the one configured drive,
// with its end-user messages; and the whole unattended run at log-on.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace qv {

enum class MappingAction : uint8_t { Unmap, Map };

// Maps or unmaps the configured drive. The outcome of a map run is
// `RunState.MappingSucceeded`; `RunState.LastErrorCode` says why.
void RunMapping(Window dialog, MappingAction action);

// Shows the message of group 2 ("SHAREERROR") or 3 ("MAPERROR") unless it
// is silent; returns true when it was silent.
bool ShowEndUserMessage(Window dialog, int group);

// Program 1, the mapping, then program 2 or 3. Returns true when the setup
// dialog is to close at once (a mapping was attempted, or the program that
// follows it was started).
bool UnattendedRun(Window dialog);

}  // namespace qv

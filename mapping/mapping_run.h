// The mapping run: connect, substitute or drop the one configured drive,
// with its end-user messages; and the whole unattended run at log-on.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "settings/text.h"

namespace qv {

enum class MappingAction : uint8_t { Unmap, Map };

// `Settings.DriveType`'s values.
enum : uint8_t { kNetWork = 0, kSubstType = 1, kPrinter = 2 };

// A refusal of the credentials, or of access, comes from a server that is
// there.
bool ServerAnswered(uint32_t probe);

// Maps or unmaps the configured drive. The outcome of a map run is
// `RunState.MappingSucceeded`; `RunState.LastErrorCode` says why.
void RunMapping(Window dialog, MappingAction action);

// The programs and "MAIN" read again, for a second start: a Save made
// meanwhile counts.
void ReadSettingsAgain();

// The address and user name as the connection takes them: expanded, one
// trailing backslash dropped; `asTyped` keeps the user name as typed.
void PrepareRun(char (&asTyped)[kTextSize]);

// An event reported with a message, before it is shown: its last string
// says whether the user saw the message ("shown") or not ("silent").
struct MessageEvent {
  uint32_t id;
  const char* strings[7];
  int count;
};

// Shows the message of group 2 ("SHAREERROR") or 3 ("MAPERROR") unless it
// is silent, reporting `event` first; returns true when it was silent.
bool ShowEndUserMessage(Window dialog, int group, MessageEvent* event = nullptr);

// Program 1, the mapping, then program 2 or 3; a second start for the same
// settings file hands over to the run under way instead. Returns true when the setup
// dialog is to close at once (a mapping was attempted, or the program that
// follows it was started).
bool UnattendedRun(Window dialog);

}  // namespace qv

#include "mapping/network_wait.h"

#include "mapping/mapping_run.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace qv {

namespace {

// While the network is coming up, and after each sign that it has: a link
// that has just come up may need a few seconds for its names.
constexpr unsigned kProbeIntervalMs = 2000;
constexpr unsigned kBurstMs = 30000;
// Between signs, which can be missed: often at first, rarely once the
// machine has clearly been away from its network for a while.
constexpr unsigned kFastPeriodMs = 30000;
constexpr unsigned kSlowPeriodMs = 300000;
constexpr unsigned kFastPhaseMs = 600000;
// What Windows gives for a network call that timed out.
constexpr uint32_t kErrorSemTimeout = 121;

struct Waiting {
  bool bounded;
  uint32_t boundStart;
  uint32_t allowedMs;
  bool watching;
  uint32_t idleStart;
  bool slow;  // latched, so that a wrapping clock never brings back the fast pace
  bool burst;
  uint32_t burstStart;
  bool probing;
  bool stale;  // the probe under way is of an address no longer configured
  bool probeDue;
  bool probedOnce;
  uint32_t probeStart;
  uint32_t lastCode;
};

// Probes every 2 s from now on: at once, unless one began less than 2 s ago.
void StartBurst(Waiting& w, uint32_t now) {
  if (w.burst) return;  // one burst at a time
  w.burst = true;
  w.burstStart = now;
}

// Returns true when the event ends the wait, with `end` set.
bool Handle(Waiting& w, WaitEvent event, char (&asTyped)[kTextSize], ShareWaitEnd& end) {
  const uint32_t now = Sys().Milliseconds();
  switch (event.kind) {
    case WaitEventKind::kProbeAnswered:
      w.probing = false;
      if (w.stale) {
        w.stale = false;  // the new address is due already
        return false;
      }
      w.lastCode = event.code;
      if (!ServerAnswered(event.code)) return false;
      end = {ShareWait::kReachable, event.code};
      return true;
    case WaitEventKind::kAddressChanged:
    case WaitEventKind::kResumed:
    case WaitEventKind::kSessionUnlocked:
      StartBurst(w, now);
      return false;
    case WaitEventKind::kHandedOver: {
      // A Save made meanwhile counts.
      TransferSettings(nullptr, kGroupPrograms, kLoad);
      TransferSettings(nullptr, kGroupMain, kLoad);
      if (Settings.ShareAddress[0] == '\0' || Settings.DriveType != kNetWork) {
        end = {ShareWait::kReread, w.lastCode};
        return true;
      }
      PrepareRun(asTyped);
      w.stale = w.probing;
      StartBurst(w, now);
      w.probeDue = true;  // asked for now, burst or not
      return false;
    }
    case WaitEventKind::kSessionEnded:
      end = {ShareWait::kSessionEnded, w.lastCode};
      return true;
    case WaitEventKind::kTimer:
      return false;
  }
  return false;
}

void StartProbe(Waiting& w, uint32_t now) {
  w.probeStart = now;
  w.probedOnce = true;
  w.probeDue = false;
  w.probing = Sys().StartProbe(Settings.ShareAddress);
}

}  // namespace

ShareWaitEnd WaitForShare(char (&asTyped)[kTextSize]) {
  const SettingsRecord& s = Settings;
  Waiting w = {};
  w.bounded = s.WaitForNetwork > 0;
  w.allowedMs = s.WaitForNetwork * 1000u;
  w.boundStart = Sys().Milliseconds();
  w.lastCode = kErrorSemTimeout;
  ShareWaitEnd end = {ShareWait::kGaveUp, kErrorSemTimeout};
  for (;;) {
    const uint32_t now = Sys().Milliseconds();
    // Unsigned differences throughout: the clock's wrap moves nothing.
    if (w.bounded && now - w.boundStart >= w.allowedMs) w.bounded = false;
    if (!w.bounded && s.WaitUntilLogOff != 1) {
      // A probe that has not answered by now does not count.
      end = {ShareWait::kGaveUp, w.lastCode};
      break;
    }
    if (!w.bounded && !w.watching) {
      Sys().BeginWatching();
      w.watching = true;
      w.idleStart = now;
    }
    if (w.watching && now - w.idleStart >= kFastPhaseMs) w.slow = true;
    if (w.burst && now - w.burstStart >= kBurstMs) w.burst = false;

    const bool brisk = w.bounded || w.burst;
    const unsigned period = brisk ? kProbeIntervalMs : w.slow ? kSlowPeriodMs : kFastPeriodMs;
    // Asked for a tenth early, a timer the system may delay by that tenth
    // still keeps the bound.
    const unsigned tolerance = brisk ? 0 : period / 10;
    const unsigned gap = period - tolerance;
    unsigned timeout = gap;
    if (!w.probing) {
      const uint32_t since = now - w.probeStart;
      if (!w.probedOnce || w.probeDue || since >= gap) {
        StartProbe(w, now);
        if (!w.probing) {
          // No thread to be had: the probe blocks this one, as without a wait.
          const WaitEvent answer = {WaitEventKind::kProbeAnswered,
                                    Sys().ProbeAddress(s.ShareAddress)};
          if (Handle(w, answer, asTyped, end)) break;
        }
        continue;
      }
      timeout = gap - since;
    }
    if (w.bounded) {
      const uint32_t left = w.allowedMs - (now - w.boundStart);
      if (left < timeout) timeout = left;
    }
    if (Handle(w, Sys().NextWaitEvent(timeout, tolerance), asTyped, end)) break;
  }
  if (w.watching) Sys().EndWatching();
  return end;
}

bool ClaimUnattendedRun() {
  if (Settings.IniPath[0] == '\0') return true;
  // Names of objects compare with regard to case, paths of files without:
  // the name is the hash of the path in one case and its long form.
  char path[kTextSize];
  if (!Sys().CanonicalPath(Settings.IniPath, path, sizeof path)) CopyText(path, Settings.IniPath);
  Sys().UpperCase(path);
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char* c = path; *c != '\0'; ++c) {
    hash ^= static_cast<uint8_t>(*c);
    hash *= 1099511628211ull;
  }
  // The prefix, then the hash's 16 hex digits in place of the zeros.
  char name[] = "Local\\Quorvane.0000000000000000";
  char* digit = name + sizeof name - 17;
  for (int shift = 60; shift >= 0; shift -= 4) *digit++ = "0123456789abcdef"[(hash >> shift) & 15];
  return Sys().ClaimRun(name);
}

}  // namespace qv

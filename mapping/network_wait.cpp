#include "mapping/network_wait.h"

#include "mapping/mapping_run.h"
#include "mapping/run_report.h"
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
// A UNC open can take seconds: a probe under way when the bound is over is
// still waited for, this long at most.
constexpr unsigned kLastProbeMs = 30000;
// What Windows gives for a network call that timed out.
constexpr uint32_t kErrorSemTimeout = 121;

// The run's claim on its settings file: whether it is held, whether the one
// more try for a second start has been used, and a second start that came
// when the wait could no longer serve it.
struct {
  bool held;
  bool retried;
  bool late;
} Claim;

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
  bool lastProbe;  // the bound is over; only the probe under way is awaited
  bool stale;  // the probe under way is of an address no longer configured
  bool probeDue;
  bool probedOnce;
  bool told;  // that the run waits
  uint32_t probeStart;
  uint32_t lastCode;
};

// Probes every 2 s for 30 s from the latest sign: at once, unless one began
// less than 2 s ago.
void StartBurst(Waiting& w, uint32_t now) {
  w.burst = true;
  w.burstStart = now;
}

// Told once a run, at the first answer that makes it wait.
void ReportWaiting(uint32_t code) {
  const SettingsRecord& s = Settings;
  const Number number(code);
  char what[40] = "";
  if (s.WaitForNetwork > 0) {
    FormatUnsigned(what, sizeof what, s.WaitForNetwork);
    AppendText(what, s.WaitUntilLogOff == 1 ? " s, then until log-off" : " s");
  } else {
    CopyText(what, "until log-off");
  }
  const char* strings[] = {s.ShareAddress, number.text, ErrorWords(code), what};
  ReportRun(QV_EVENT_WAITING, strings);
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
      if (NothingAnsweredYet(event.code)) {
        if (!w.told) ReportWaiting(event.code);
        w.told = true;
        return false;
      }
      end = {ShareWait::kAnswered, event.code};
      return true;
    case WaitEventKind::kAddressChanged:
      if (AddressSignCounts(event.code)) StartBurst(w, now);
      return false;
    case WaitEventKind::kResumed:
    case WaitEventKind::kSessionUnlocked:
      StartBurst(w, now);
      return false;
    case WaitEventKind::kHandedOver: {
      if (w.lastProbe) {
        // The wait is as good as over: the run maps once more after it.
        Claim.late = true;
        return false;
      }
      ReadSettingsAgain();
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
    if (w.bounded && now - w.boundStart >= w.allowedMs) {
      w.bounded = false;
      // One under way for an address no longer configured is awaited too:
      // a probe of the new one cannot begin before it ends.
      w.lastProbe = w.probing && s.WaitUntilLogOff != 1;
    }
    if (w.lastProbe) {
      const uint32_t over = now - (w.boundStart + w.allowedMs);
      if (w.probing && over < kLastProbeMs) {
        if (Handle(w, Sys().NextWaitEvent(kLastProbeMs - over, 0), asTyped, end)) break;
        continue;
      }
    }
    if (!w.bounded && s.WaitUntilLogOff != 1) {
      // A second start whose probe never began: the run maps once more.
      if (w.probeDue) Claim.late = true;
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

bool NothingAnsweredYet(uint32_t probe) {
  switch (probe) {
    case 2:     // ERROR_FILE_NOT_FOUND: a namespace path while it is away
    case 3:     // ERROR_PATH_NOT_FOUND: the same, and Wine's absent server
    case 51:    // ERROR_REM_NOT_LIST
    case 53:    // ERROR_BAD_NETPATH
    case 59:    // ERROR_UNEXP_NET_ERR
    case 121:   // ERROR_SEM_TIMEOUT
    case 1203:  // ERROR_NO_NET_OR_BAD_PATH
    case 1222:  // ERROR_NO_NETWORK
    case 1228:  // ERROR_ADDRESS_NOT_ASSOCIATED
    case 1231:  // ERROR_NETWORK_UNREACHABLE
    case 1232:  // ERROR_HOST_UNREACHABLE
    case 1233:  // ERROR_PROTOCOL_UNREACHABLE
    case 1460:  // ERROR_TIMEOUT
    // No domain controller yet: a domain-joined laptop before its VPN.
    case 1265:  // ERROR_DOWNGRADE_DETECTED
    case 1311:  // ERROR_NO_LOGON_SERVERS
    case 1355:  // ERROR_NO_SUCH_DOMAIN
    case 1908:  // ERROR_DOMAIN_CONTROLLER_NOT_FOUND
      return true;
    default:
      return false;
  }
}

bool AddressSignCounts(uint32_t notificationType) {
  // A deletion or a changed parameter brings no network.
  return notificationType == kMibAddInstance;
}

bool WaitAsked(const char* address, uint8_t driveType, uint16_t waitForNetwork,
               uint8_t waitUntilLogOff) {
  return address[0] != '\0' && driveType == kNetWork &&
         (waitForNetwork > 0 || waitUntilLogOff == 1);
}

bool ClaimUnattendedRun() {
  Claim = {};
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
  Claim.held = Sys().ClaimRun(name);
  return Claim.held;
}

bool HandedOverBeforeGivingUp() {
  if (!Claim.held || Claim.retried) return false;
  // Taken either way: a second start is served once.
  const bool signalled = Sys().RunHandedOver();
  if (!signalled && !Claim.late) return false;
  Claim.retried = true;
  return true;
}

void ReleaseClaim() {
  if (Claim.held) Sys().ReleaseRun();
  Claim = {};
}

}  // namespace qv

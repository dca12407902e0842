#include "mapping/run_report.h"

#include "platform/platform.h"
#include "settings/settings.h"
#include "settings/text.h"

namespace qv {

namespace {

constexpr int kMaxStrings = 8;
constexpr uint16_t kEventError = 1;        // EVENTLOG_ERROR_TYPE
constexpr uint16_t kEventWarning = 2;      // EVENTLOG_WARNING_TYPE
constexpr uint16_t kEventInformation = 4;  // EVENTLOG_INFORMATION_TYPE
// Event Viewer expands "%1", "%%" and "%{" inside insertion strings too, and
// the log has no escape: such a percent sign becomes a full-width one.
constexpr uint16_t kFullWidthPercent = 0xFF05;

struct {
  uint32_t reported[16];
  int count;
  uint32_t waitedMs;
  char seconds[12];
  char words[kTextSize];
} Report;

bool Escapes(uint16_t next) { return (next >= '0' && next <= '9') || next == '%' || next == '{'; }

uint16_t TypeOf(uint32_t id, bool warning) {
  switch (id >> 30) {  // the severity the message table gives it
    case QV_SEVERITY_ERROR:
      return kEventError;
    case QV_SEVERITY_WARNING:
      return kEventWarning;
    default:
      return warning ? kEventWarning : kEventInformation;
  }
}

}  // namespace

Number::Number(uint32_t value) { FormatUnsigned(text, sizeof text, value); }

void BeginRunReport() { Report = {}; }

void ReportRunEvent(uint32_t id, const char* const* strings, int count, bool warning) {
  if (id != QV_EVENT_PROGRAM_NOT_STARTED) {
    for (int i = 0; i < Report.count; ++i) {
      if (Report.reported[i] == id) return;
    }
    if (Report.count < 16) Report.reported[Report.count++] = id;
  }
  if (count > kMaxStrings - 1) count = kMaxStrings - 1;
  uint16_t wide[kMaxStrings][kTextSize];
  const uint16_t* texts[kMaxStrings];
  for (int i = 0; i <= count; ++i) {
    const char* text = i == 0 ? Settings.IniPath : strings[i - 1];
    // A text that cannot be converted is reported empty, never cut midway.
    if (Sys().AnsiToWide(text, wide[i], kTextSize) == 0) wide[i][0] = 0;
    for (uint16_t* c = wide[i]; *c != 0; ++c) {
      if (*c == '%' && Escapes(c[1])) *c = kFullWidthPercent;
    }
    texts[i] = wide[i];
  }
  Sys().ReportToEventLog(TypeOf(id, warning), id, texts, count + 1);
}

void AddWaitedTime(uint32_t milliseconds) { Report.waitedMs += milliseconds; }

const char* SecondsWaited() {
  FormatUnsigned(Report.seconds, sizeof Report.seconds, Report.waitedMs / 1000);
  return Report.seconds;
}

const char* ErrorWords(uint32_t code) {
  char* words = Report.words;
  if (!Sys().ErrorText(code, words, sizeof Report.words)) {
    FormatUnsigned(words, sizeof Report.words, code);
    return words;
  }
  words[kTextSize - 1] = '\0';
  // One line in the event: a line break inside becomes a blank, and none
  // ends it.
  char* out = words;
  for (const char* c = words; *c != '\0'; ++c) {
    if (*c != '\r') *out++ = *c == '\n' ? ' ' : *c;
  }
  while (out > words && out[-1] == ' ') --out;
  *out = '\0';
  return words;
}

}  // namespace qv

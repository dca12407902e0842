#include "tests/fake/fake_platform.h"

#include "mapping/credentials.h"
#include "settings/settings.h"

#include <cstdlib>
#include <cstring>

namespace qv::test {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// UTF-16 as the fake's code page shows it: Latin-1, anything else as '?'.
std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c < 0x100 ? static_cast<char>(c) : '?';
  return out;
}

bool SameName(const std::string& a, const std::string& b) {
  return Lower(Trim(a)) == Lower(Trim(b));
}

void Put(char* out, size_t cap, const std::string& value) {
  if (cap == 0) return;
  const size_t n = value.size() < cap - 1 ? value.size() : cap - 1;
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
}

// A failed query may leave a partial answer behind.
bool Failed(char* out, size_t cap) {
  Put(out, cap, "partial");
  return false;
}

// One line of an INI text, with its offsets, so writes can splice the text.
struct Line {
  size_t begin, end, next;  // text [begin, end), following line at next
  std::string text;
};

std::vector<Line> SplitLines(const std::string& content) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    size_t next = nl == std::string::npos ? content.size() : nl + 1;
    size_t end = nl == std::string::npos ? content.size() : nl;
    if (end > pos && content[end - 1] == '\r') --end;
    lines.push_back({pos, end, next, content.substr(pos, end - pos)});
    pos = next;
  }
  return lines;
}

bool SectionName(const std::string& line, std::string* name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  const size_t close = t.find(']');
  *name = t.substr(1, (close == std::string::npos ? t.size() : close) - 1);
  return true;
}

bool KeyOf(const std::string& line, std::string* key, std::string* value) {
  const size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  *key = Trim(line.substr(0, eq));
  *value = Trim(line.substr(eq + 1));
  return true;
}

}  // namespace

bool IniLookup(const std::string& content, const std::string& section,
               const std::string& key, std::string* value) {
  bool inSection = false;
  for (const Line& line : SplitLines(content)) {
    std::string name, k, v;
    if (SectionName(line.text, &name)) {
      inSection = SameName(name, section);
    } else if (inSection && KeyOf(line.text, &k, &v) && SameName(k, key)) {
      // Like the real reader, one pair of surrounding quotes is dropped.
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') &&
          v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
      }
      *value = v;
      return true;
    }
  }
  return false;
}

void IniWrite(std::string* content, const std::string& section,
              const std::string& key, const char* value) {
  const std::vector<Line> lines = SplitLines(*content);
  const std::string entry = key + "=" + (value ? value : "");
  bool inSection = false;
  size_t sectionEnd = std::string::npos;  // after the last non-blank line
  for (const Line& line : lines) {
    std::string name, k, v;
    if (SectionName(line.text, &name)) {
      if (inSection) break;
      inSection = SameName(name, section);
      if (inSection) sectionEnd = line.next;
      continue;
    }
    if (!inSection) continue;
    if (KeyOf(line.text, &k, &v) && SameName(k, key)) {
      if (value == nullptr) {
        content->erase(line.begin, line.next - line.begin);
      } else {
        content->replace(line.begin, line.end - line.begin, k + "=" + value);
      }
      return;
    }
    if (!Trim(line.text).empty()) sectionEnd = line.next;
  }
  if (value == nullptr) return;
  if (sectionEnd != std::string::npos) {
    std::string insert = entry + "\r\n";
    // A last line without its line end gets one first.
    if (sectionEnd == content->size() && !content->empty() &&
        content->back() != '\n') {
      insert = "\r\n" + insert;
    }
    content->insert(sectionEnd, insert);
    return;
  }
  if (!content->empty() && content->back() != '\n') *content += "\r\n";
  *content += "[" + section + "]\r\n" + entry + "\r\n";
}

FakePlatform::FakePlatform() {
  UsePlatform(*this);
  UseCredentialsPrompt(*this);
}
FakePlatform::~FakePlatform() = default;

void FakePlatform::Reset() {
  *this = FakePlatform();
  UsePlatform(*this);
  UseCredentialsPrompt(*this);
}

std::string FakePlatform::Trace() const {
  std::string all;
  for (const std::string& e : log) all += (all.empty() ? "" : " | ") + e;
  return all;
}

FakeFile& FakePlatform::File(const std::string& path) {
  return files[Lower(path)];
}

bool FakePlatform::HasFile(const std::string& path) const {
  return files.count(Lower(path)) != 0;
}

const char* FakePlatform::CommandLine() { return commandLine.c_str(); }

LocalTime FakePlatform::Now() {
  ++clockReads;
  return now;
}

bool FakePlatform::SystemDirectory(char* out, size_t cap) {
  if (queriesFail) return Failed(out, cap);
  Put(out, cap, systemDir);
  return true;
}

bool FakePlatform::TempDirectory(char* out, size_t cap) {
  if (queriesFail) return Failed(out, cap);
  Put(out, cap, tempDir);
  return true;
}

bool FakePlatform::UserName(char* out, size_t cap) {
  if (queriesFail) return Failed(out, cap);
  Put(out, cap, userName);
  return true;
}

bool FakePlatform::ComputerName(char* out, size_t cap) {
  if (queriesFail) return Failed(out, cap);
  Put(out, cap, computerName);
  return true;
}

bool FakePlatform::ErrorText(uint32_t code, char* out, size_t cap) {
  auto it = errorTexts.find(code);
  if (it == errorTexts.end()) return false;
  Put(out, cap, it->second);
  return true;
}

// The literals of the program are ASCII; other bytes map as Latin-1.
size_t FakePlatform::AnsiToWide(const char* text, uint16_t* out, size_t cap) {
  size_t n = 0;
  do {
    if (n == cap) return 0;
    out[n] = static_cast<unsigned char>(text[n]);
  } while (text[n++] != '\0');
  return n;
}

// Exact only for Latin-1, the fake's code page.
bool FakePlatform::WideToAnsi(const uint16_t* text, size_t units, char* out, size_t cap) {
  if (units + 1 > cap) return false;
  for (size_t i = 0; i < units; ++i) {
    if (text[i] > 0xFF) return false;
    out[i] = static_cast<char>(text[i]);
  }
  out[units] = '\0';
  return true;
}

uint32_t FakePlatform::ReadCredential(const uint16_t* target, uint16_t* user, size_t userCap,
                                      uint8_t* secret, size_t secretCap, size_t* secretSize) {
  const std::u16string name(reinterpret_cast<const char16_t*>(target));
  log.push_back("credread " + Narrow(name));
  auto it = credentials.find(name);
  if (it == credentials.end()) return 1168;  // ERROR_NOT_FOUND
  const FakeCredential& c = it->second;
  if (c.user.size() + 1 > userCap || c.secret.size() > secretCap) return 122;
  std::memcpy(user, c.user.c_str(), (c.user.size() + 1) * 2);
  std::memcpy(secret, c.secret.data(), c.secret.size());
  *secretSize = c.secret.size();
  return 0;
}

uint32_t FakePlatform::WriteCredential(const uint16_t* target, const uint16_t* user,
                                       const uint8_t* secret, size_t secretSize) {
  const std::u16string name(reinterpret_cast<const char16_t*>(target));
  FakeCredential c{reinterpret_cast<const char16_t*>(user),
                   std::string(reinterpret_cast<const char*>(secret), secretSize)};
  std::u16string password;
  for (size_t i = 0; i + 1 < c.secret.size(); i += 2) {
    password += static_cast<char16_t>(uint8_t(c.secret[i]) | uint8_t(c.secret[i + 1]) << 8);
  }
  log.push_back("credwrite " + Narrow(name) + " " + Narrow(c.user) + "/" + Narrow(password));
  if (credentialRefusal == 0) credentials[name] = c;
  return credentialRefusal;
}

uint32_t FakePlatform::NextProbeResult(const char* address) {
  if (!probeResults.empty()) {
    const uint32_t result = probeResults.front();
    probeResults.pop_front();
    return result;
  }
  auto it = probe.find(address);
  return it == probe.end() ? probeDefault : it->second;
}

uint32_t FakePlatform::ProbeAddress(const char* address) {
  log.push_back(std::string("probe ") + address);
  Advance(probeMs);
  return NextProbeResult(address);
}

void FakePlatform::Advance(uint64_t ms) {
  tick += static_cast<uint32_t>(ms);
  clock += ms;
}

// Claims are not logged, so that a run's trace stays what it asked of the
// network; a handover is.
bool FakePlatform::ClaimRun(const char* name) {
  claimName = name;
  if (otherRun) {
    log.push_back(std::string("handover ") + name);
    return false;
  }
  claimed = true;
  return true;
}

void FakePlatform::ReleaseRun() { claimed = false; }

void FakePlatform::ReportToEventLog(uint16_t type, uint32_t id, const uint16_t* const* texts,
                                    int count) {
  ReportedEvent e = {type, id, {}};
  for (int i = 0; i < count; ++i) {
    std::string text;  // Latin-1 as the fake's code page, the full-width percent sign as "％"
    for (const uint16_t* c = texts[i]; *c != 0; ++c) {
      text += *c == 0xFF05 ? std::string("\uFF05") : Narrow(std::u16string(1, char16_t(*c)));
    }
    e.texts.push_back(text);
  }
  events.push_back(e);
}

// Each look takes one signal, as the auto-reset event does.
bool FakePlatform::RunHandedOver() {
  const bool signalled = claimed && secondStarts > 0;
  secondStarts -= signalled;
  if (signalled && !iniAtHandover.empty()) Ini(Settings.IniPath) = iniAtHandover;
  return signalled;
}

bool FakePlatform::CanonicalPath(const char* path, char* out, size_t cap) {
  if (canonicalFails) return Failed(out, cap);
  Put(out, cap, canonical.empty() ? path : canonical);
  return true;
}

void FakePlatform::UpperCase(char* text) {
  for (char* c = text; *c != '\0'; ++c) {
    if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
  }
}

void FakePlatform::BeginWatching() {
  log.push_back("watch");
  watching = true;
}

void FakePlatform::EndWatching() {
  log.push_back("unwatch");
  unbalancedWatch |= !watching;
  watching = false;
}

bool FakePlatform::StartProbe(const char* address) {
  if (threadsFail) return false;
  log.push_back(std::string("probe ") + address);
  probesOverlapped |= inFlight_;
  threadProbes.push_back(clock);
  inFlight_ = true;
  answerAt_ = clock + probeMs;
  answer_ = NextProbeResult(address);
  return true;
}

WaitEvent FakePlatform::NextWaitEvent(unsigned milliseconds, unsigned toleranceMs) {
  timers.push_back({milliseconds, toleranceMs});
  // A wait that never lets time pass, or never ends, stops here.
  if (++waitCalls_ > 200000 || (milliseconds == 0 && waitEvents.empty())) {
    runaway = true;
    return {WaitEventKind::kSessionEnded, 0};
  }
  // The timer at its latest, unless something comes first.
  uint64_t at = clock + milliseconds + toleranceMs;
  WaitEvent event = {WaitEventKind::kTimer, 0};
  if (inFlight_ && !probeHangs && answerAt_ <= at) {
    at = answerAt_;
    event = {WaitEventKind::kProbeAnswered, answer_};
  }
  if (!waitEvents.empty() && waitEvents.front().at <= at) {
    const ScriptedEvent next = waitEvents.front();
    waitEvents.pop_front();
    at = next.at > clock ? next.at : clock;
    event = {next.kind, next.kind == WaitEventKind::kAddressChanged ? next.code : 0};
    if (next.ini != nullptr) Ini(Settings.IniPath) = next.ini;
  }
  if (event.kind == WaitEventKind::kProbeAnswered) inFlight_ = false;
  Advance(at - clock);
  return event;
}

bool FakePlatform::ConnectionOfDrive(const char* drive, char* out, size_t cap) {
  auto it = remoteNames.find(drive[0]);
  if (it == remoteNames.end() || it->second.size() >= cap) return false;
  Put(out, cap, it->second);
  return true;
}

unsigned FakePlatform::DriveType(const char* drive) {
  auto it = drives.find(drive[0]);
  return it == drives.end() ? kDriveNoRootDir : it->second;
}

uint32_t FakePlatform::AddConnection(unsigned resourceType, const char* localName,
                                     const char* remoteName, const char* password,
                                     const char* user, unsigned flags) {
  log.push_back(std::string("connect ") + (localName ? localName : "-") + " " + remoteName +
                " " + (user ? user : "-") + "/" + (password ? password : "-") + " " +
                std::to_string(flags) + " " + std::to_string(resourceType));
  uint32_t result = 0;
  if (!connectResults.empty()) {
    result = connectResults.front();
    connectResults.pop_front();
  }
  if (result == 0 && localName != nullptr && localName[0] != '\0') drives[localName[0]] = 4;
  return result;
}

uint32_t FakePlatform::CancelConnection(const char* name, unsigned flags, bool force) {
  log.push_back(std::string("cancel ") + name + " " + std::to_string(flags) +
                (force ? " force" : ""));
  if (cancelResult == 0 && name[0] != '\0') drives.erase(name[0]);
  return cancelResult;
}

intptr_t FakePlatform::StartProgramAndWait(Window owner, const char* file,
                                           const char* parameters, int show,
                                           unsigned maxWaitMs) {
  starts.push_back({owner, file, parameters, "", show, true, maxWaitMs});
  log.push_back(std::string("run ") + file + " " + parameters);
  // The substitution tool: "X: /D" drops the letter, "X: folder" makes it.
  const std::string p = parameters;
  if (std::string(file) == "Subst.exe" && !p.empty()) {
    if (p.size() >= 3 && p.compare(p.size() - 3, 3, " /D") == 0) {
      drives.erase(p[0]);
    } else if (substWorks) {
      drives[p[0]] = 3;
    }
  }
  return startResult;
}

void FakePlatform::WaitAnswering(unsigned milliseconds) {
  log.push_back("idle " + std::to_string(milliseconds));
  tick += milliseconds;
}

uint32_t FakePlatform::Milliseconds() { return tick; }

// Plays the dialog: records what it shows, then answers as scripted.
bool FakePlatform::Ask(Window, const CredentialsPromptTexts& t, Credentials& typed,
                       bool unattended) {
  prompts.push_back({t.Title, t.Line1, t.Line2, t.UserLabel, t.PasswordLabel, typed.UserName,
                     typed.PassWord, UiState.UiMode, unattended});
  log.push_back(std::string("prompt ") + typed.UserName + "/" + typed.PassWord);
  if (claimed) whileClaimed.push_back(log.back());
  if (promptAnswers.empty()) return false;
  const PromptAnswer a = promptAnswers.front();
  promptAnswers.pop_front();
  if (!a.ok) return false;
  CopyText(typed.UserName, a.user.c_str());
  CopyText(typed.PassWord, a.password.c_str());
  return true;
}

// A path that does not fit is cut, as GetModuleFileNameA cuts it, and refused.
size_t FakePlatform::ModulePath(char* out, size_t cap) {
  Put(out, cap, modulePath);
  return modulePath.size() + 1 > cap ? 0 : modulePath.size();
}

void FakePlatform::WindowsDirectory(char* out, size_t cap) {
  Put(out, cap, windowsDir);
}

bool FakePlatform::PathFound(const char* path) { return HasFile(path); }

int FakePlatform::CompareText(const char* a, const char* b) {
  const int r = std::strcmp(a, b);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int FakePlatform::CompareTextIgnoringCase(const char* a, const char* b) {
  return CompareText(Lower(a).c_str(), Lower(b).c_str());
}

uint32_t FakePlatform::LastError() { return lastError; }

VersionQuery FakePlatform::ReadVersionValue(const char* file,
                                            const char* subBlock, char* out,
                                            size_t cap) {
  auto it = files.find(Lower(file));
  if (it == files.end() || !it->second.hasVersionBlock) return VersionQuery::NoBlock;
  auto value = it->second.version.find(subBlock);
  if (value == it->second.version.end()) return VersionQuery::NoValue;
  Put(out, cap, value->second);
  return VersionQuery::Found;
}

bool FakePlatform::CopyFileReplacing(const char* from, const char* to) {
  log.push_back(std::string("copy ") + from + " -> " + to);
  if (copyFails || !HasFile(from)) return false;
  if (HasFile(to) && File(to).readOnly) return false;
  FakeFile copy = File(from);
  copy.readOnly = false;
  File(to) = copy;
  return true;
}

intptr_t FakePlatform::StartProgram(Window owner, const char* file,
                                    const char* parameters,
                                    const char* directory, int show) {
  starts.push_back({owner, file, parameters ? parameters : "",
                    directory ? directory : "", show});
  log.push_back(std::string("start ") + file + " " + (parameters ? parameters : ""));
  if (claimed) whileClaimed.push_back(log.back());
  if (!iniAfterProgram.empty()) Ini(Settings.IniPath) = iniAfterProgram;
  iniAfterProgram.clear();
  return startResult;
}

uint16_t FakePlatform::ShiftKeyState() { return shift; }

int FakePlatform::AskUser(Window owner, const char* text, const char* caption,
                          unsigned flags) {
  boxes.push_back({text, caption, flags, owner});
  log.push_back(std::string("box ") + caption + ": " + text);
  if (claimed) whileClaimed.push_back(log.back());
  if (answers.empty()) return (flags & 0x0F) == kMbYesNo ? kIdYes : 1;
  const int a = answers.front();
  answers.pop_front();
  return a;
}

void FakePlatform::ReadProfileText(const char* section, const char* key,
                                   const char* fallback, char* out, size_t cap,
                                   const char* file) {
  std::string value;
  auto it = files.find(Lower(file));
  if (it == files.end() || !IniLookup(it->second.content, section, key, &value)) {
    value = fallback;
  }
  Put(out, cap, value);
}

int FakePlatform::ReadProfileNumber(const char* section, const char* key,
                                    int fallback, const char* file) {
  std::string value;
  auto it = files.find(Lower(file));
  if (it == files.end() || !IniLookup(it->second.content, section, key, &value)) {
    return fallback;
  }
  return static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
}

bool FakePlatform::WriteProfileText(const char* section, const char* key,
                                    const char* value, const char* file) {
  profileWrites.push_back(std::string(section) + "/" + key + (value ? "=" : "") + (value ? value : ""));
  FakeFile& f = File(file);
  if (f.readOnly) {
    lastError = writeRefusal;
    return false;
  }
  IniWrite(&f.content, section, key, value);
  return true;
}

RegKey FakePlatform::OpenRegistryKey(RegRoot, const char* subKey, bool writable) {
  if (registry.count(subKey) == 0) {
    lastError = 2;  // ERROR_FILE_NOT_FOUND
    return nullptr;
  }
  if (registryDenied || (writable && registryReadOnly)) {
    lastError = 5;  // ERROR_ACCESS_DENIED
    return nullptr;
  }
  openKeys_.push_back(subKey);
  ++keysOpen;
  log.push_back(std::string(writable ? "regopen " : "regread ") + subKey);
  return reinterpret_cast<RegKey>(openKeys_.size());
}

bool FakePlatform::SetRegistryText(RegKey key, const char* name,
                                   const char* data) {
  log.push_back(std::string("regset ") + name + "=" + data);
  registry[openKeys_.at(reinterpret_cast<size_t>(key) - 1)][name] = data;
  return true;
}

bool FakePlatform::DeleteRegistryValue(RegKey key, const char* name) {
  log.push_back(std::string("regdelete ") + name);
  if (registry[openKeys_.at(reinterpret_cast<size_t>(key) - 1)].erase(name) == 1) return true;
  lastError = 2;  // ERROR_FILE_NOT_FOUND
  return false;
}

bool FakePlatform::ReadRegistryText(RegKey key, const char* name, char* out,
                                    size_t cap) {
  auto& values = registry[openKeys_.at(reinterpret_cast<size_t>(key) - 1)];
  auto it = values.find(name);
  // The value with its terminator must fit in cap - 1 bytes, as the real
  // call is given them.
  if (it == values.end() || it->second.size() + 2 > cap) return false;
  Put(out, cap, it->second);
  return true;
}

void FakePlatform::CloseRegistryKey(RegKey) {
  --keysOpen;
  log.push_back("regclose");
}

void FakePlatform::ItemText(Window dialog, int id, char* out, size_t cap) {
  Put(out, cap, Control(dialog, id).text);
}

void FakePlatform::SetItemText(Window dialog, int id, const char* text) {
  log.push_back("settext " + std::to_string(id) + "=" + text);
  Control(dialog, id).text = text;
}

unsigned FakePlatform::ItemCheckState(Window dialog, int id) {
  return Control(dialog, id).check;
}

void FakePlatform::SetItemCheckState(Window dialog, int id, unsigned state) {
  log.push_back("check " + std::to_string(id) + "=" + std::to_string(state));
  Control(dialog, id).check = state;
}

void FakePlatform::FocusItem(Window, int id) {
  log.push_back("focus " + std::to_string(id));
}

int FakePlatform::ComboSelection(Window combo) { return combos[combo].selection; }

void FakePlatform::SelectComboEntry(Window combo, int index) {
  log.push_back("select " + std::to_string(index));
  FakeCombo& c = combos[combo];
  c.selection = index >= 0 && index < c.entries ? index : -1;
}

}  // namespace qv::test

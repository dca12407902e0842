// A recording stand-in for the operating system, so the logic runs natively.
// It keeps files, INI contents, registry values and dialog controls in memory
// and logs every call that changes something, in order.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "mapping/credentials.h"
#include "platform/platform.h"

namespace qv::test {

struct FakeFile {
  std::string content;
  bool hasVersionBlock = false;
  std::map<std::string, std::string> version;  // sub-block path -> value
  bool readOnly = false;
};

struct FakeControl {
  std::string text;
  unsigned check = 0;
};

struct FakeCombo {
  int entries = 0;
  int selection = -1;
};

// An event reported to the Application log, its texts narrowed.
struct ReportedEvent {
  uint16_t type;
  uint32_t id;
  std::vector<std::string> texts;
};

struct MessageBoxCall {
  std::string text, caption;
  unsigned flags;
  Window owner = nullptr;
};

struct StartCall {
  Window owner;
  std::string file, parameters, directory;
  int show;
  bool waited = false;
  unsigned maxWaitMs = 0;
};

// A generic credential: its user name and its password's bytes.
struct FakeCredential {
  std::u16string user;
  std::string secret;
};

// Something that reaches the waiting run at `at` milliseconds since the
// world began; a handover may come with a settings file saved meanwhile.
struct ScriptedEvent {
  uint64_t at;
  WaitEventKind kind;
  const char* ini = nullptr;  // the settings file's new content, or none
  uint32_t code = kMibAddInstance;  // an address change's kind
};

// What the credentials prompt showed, and how the scripted user answered.
struct PromptShown {
  std::string caption, line1, line2, userLabel, passLabel, user, password;
  uint8_t uiMode = 0;  // while it was open
  bool unattended = false;
};
struct PromptAnswer {
  bool ok;
  std::string user, password;
};

// Also the credentials prompt, which it plays as scripted.
class FakePlatform : public Platform, public CredentialsPrompt {
 public:
  FakePlatform();
  ~FakePlatform();
  // Back to a new world, still the platform in use.
  void Reset();

  // --- World -------------------------------------------------------------
  std::string commandLine;
  std::string modulePath = "C:\\Tools\\quorvane.exe";
  std::string windowsDir = "C:\\WINDOWS";
  uint16_t shift = 0;
  std::map<std::string, FakeFile> files;  // keyed by lower-case path
  bool copyFails = false;
  std::string runKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  bool registryDenied = false;    // no key opens
  bool registryReadOnly = false;  // keys open for reading only
  uint32_t lastError = 0;
  uint32_t writeRefusal = 5;  // the last error a read-only file leaves
  std::map<std::string, std::map<std::string, std::string>> registry;
  std::map<std::pair<Window, int>, FakeControl> controls;
  std::map<Window, FakeCombo> combos;
  std::deque<int> answers;  // answers for AskUser, Yes once they run out
  intptr_t startResult = 42;
  LocalTime now = {2026, 12, 0, 6, 2, 45, 8, 0};  // Sunday 6 December 2026, 02:45:08
  std::string systemDir = "C:\\WINDOWS\\system32";
  std::string tempDir = "C:\\TEMP\\";
  std::string userName = "anna";
  std::string computerName = "DESK-7";
  bool queriesFail = false;  // system dir, temp dir, user and computer name
  std::map<uint32_t, std::string> errorTexts = {
      {0, "The operation completed successfully.\r\n"},
      {1326, "The user name or password is incorrect.\r\n"}};
  int clockReads = 0;
  // Drives and the network.
  std::map<std::string, uint32_t> probe;  // address -> code
  uint32_t probeDefault = 53;             // for any other address
  std::deque<uint32_t> probeResults;     // per probe, before the two above
  uint32_t tick = 0;                     // Milliseconds(); waits move it on
  unsigned probeMs = 0;                  // how long each probe takes
  std::map<char, unsigned> drives;       // letter -> GetDriveTypeA; missing: 1
  std::map<char, std::string> remoteNames;  // letter -> what WNetGetConnectionA gives
  std::deque<uint32_t> connectResults;   // per attempt; 0 once they run out
  uint32_t cancelResult = 0;             // what every cancel returns
  bool substWorks = true;                // the tool defines the letter
  std::deque<PromptAnswer> promptAnswers;  // Cancel once they run out
  std::map<std::u16string, FakeCredential> credentials;  // by target
  uint32_t credentialRefusal = 0;  // what a credential write fails with
  std::vector<PromptShown> prompts;
  // The wait: the clock as a 64-bit count, so a wait may outlast GetTickCount.
  uint64_t clock = 0;
  std::deque<ScriptedEvent> waitEvents;  // in order of `at`
  bool probeHangs = false;   // a probe on its thread never answers
  bool threadsFail = false;  // no probe thread can be started
  bool otherRun = false;     // another process holds the run's name
  int secondStarts = 0;      // later starts that signal the claimed name outside the wait
  std::string iniAfterProgram;  // the settings file once a program has started, if set
  std::string iniAtHandover;    // the settings file a second start found saved, if set
  bool canonicalFails = false;
  std::string canonical;     // what CanonicalPath gives; the path itself when empty

  // --- What happened -----------------------------------------------------
  std::vector<std::string> log;
  std::vector<MessageBoxCall> boxes;
  std::vector<StartCall> starts;
  std::vector<std::string> profileWrites;  // "SECTION/key=value"
  int keysOpen = 0;  // registry keys opened and not yet closed
  std::vector<uint64_t> threadProbes;  // when each probe thread started
  std::vector<std::pair<unsigned, unsigned>> timers;  // each wait's time and tolerance
  bool probesOverlapped = false;  // a probe started while one was under way
  bool runaway = false;           // the wait never let the clock move on
  bool watching = false;
  bool unbalancedWatch = false;  // a watch ended that never began
  std::string claimName;  // the name the run asked for
  bool claimed = false;   // and still holds
  std::vector<std::string> whileClaimed;  // programs, boxes and prompts meanwhile
  std::vector<ReportedEvent> events;  // apart from the log, so that traces stay the run's calls

  // Moves the clock on, both counts.
  void Advance(uint64_t ms);

  std::string Trace() const;  // the log, joined by " | "
  FakeFile& File(const std::string& path);
  bool HasFile(const std::string& path) const;
  std::string& Ini(const std::string& path) { return File(path).content; }
  FakeControl& Control(Window dialog, int id) { return controls[{dialog, id}]; }
  std::map<std::string, std::string>& RunKey() { return registry[runKeyPath]; }

  // Platform
  const char* CommandLine() override;
  LocalTime Now() override;
  bool SystemDirectory(char* out, size_t cap) override;
  bool TempDirectory(char* out, size_t cap) override;
  bool UserName(char* out, size_t cap) override;
  bool ComputerName(char* out, size_t cap) override;
  bool ErrorText(uint32_t code, char* out, size_t cap) override;
  size_t AnsiToWide(const char* text, uint16_t* out, size_t cap) override;
  bool WideToAnsi(const uint16_t* text, size_t units, char* out, size_t cap) override;
  uint32_t ReadCredential(const uint16_t* target, uint16_t* user, size_t userCap,
                          uint8_t* secret, size_t secretCap, size_t* secretSize) override;
  uint32_t WriteCredential(const uint16_t* target, const uint16_t* user,
                           const uint8_t* secret, size_t secretSize) override;
  uint32_t ProbeAddress(const char* address) override;
  unsigned DriveType(const char* drive) override;
  uint32_t AddConnection(unsigned resourceType, const char* localName,
                         const char* remoteName, const char* password,
                         const char* user, unsigned flags) override;
  uint32_t CancelConnection(const char* name, unsigned flags, bool force) override;
  bool ConnectionOfDrive(const char* drive, char* out, size_t cap) override;
  intptr_t StartProgramAndWait(Window owner, const char* file, const char* parameters,
                               int show, unsigned maxWaitMs) override;
  void WaitAnswering(unsigned milliseconds) override;
  uint32_t Milliseconds() override;
  bool ClaimRun(const char* name) override;
  void ReleaseRun() override;
  bool RunHandedOver() override;
  void ReportToEventLog(uint16_t type, uint32_t id, const uint16_t* const* texts,
                        int count) override;
  bool CanonicalPath(const char* path, char* out, size_t cap) override;
  void UpperCase(char* text) override;
  void BeginWatching() override;
  void EndWatching() override;
  bool StartProbe(const char* address) override;
  WaitEvent NextWaitEvent(unsigned milliseconds, unsigned toleranceMs) override;
  bool Ask(Window owner, const CredentialsPromptTexts& texts, Credentials& typed,
           bool unattended) override;
  size_t ModulePath(char* out, size_t cap) override;
  void WindowsDirectory(char* out, size_t cap) override;
  bool PathFound(const char* path) override;
  int CompareText(const char* a, const char* b) override;
  int CompareTextIgnoringCase(const char* a, const char* b) override;
  uint32_t LastError() override;
  VersionQuery ReadVersionValue(const char* file, const char* subBlock,
                                char* out, size_t cap) override;
  bool CopyFileReplacing(const char* from, const char* to) override;
  intptr_t StartProgram(Window owner, const char* file, const char* parameters,
                        const char* directory, int show) override;
  uint16_t ShiftKeyState() override;
  int AskUser(Window owner, const char* text, const char* caption,
              unsigned flags) override;
  void ReadProfileText(const char* section, const char* key,
                       const char* fallback, char* out, size_t cap,
                       const char* file) override;
  int ReadProfileNumber(const char* section, const char* key, int fallback,
                        const char* file) override;
  bool WriteProfileText(const char* section, const char* key,
                        const char* value, const char* file) override;
  RegKey OpenRegistryKey(RegRoot root, const char* subKey,
                         bool writable) override;
  bool SetRegistryText(RegKey key, const char* name, const char* data) override;
  bool DeleteRegistryValue(RegKey key, const char* name) override;
  bool ReadRegistryText(RegKey key, const char* name, char* out,
                        size_t cap) override;
  void CloseRegistryKey(RegKey key) override;
  void ItemText(Window dialog, int id, char* out, size_t cap) override;
  void SetItemText(Window dialog, int id, const char* text) override;
  unsigned ItemCheckState(Window dialog, int id) override;
  void SetItemCheckState(Window dialog, int id, unsigned state) override;
  void FocusItem(Window dialog, int id) override;
  int ComboSelection(Window combo) override;
  void SelectComboEntry(Window combo, int index) override;

 private:
  uint32_t NextProbeResult(const char* address);
  std::vector<std::string> openKeys_;
  bool inFlight_ = false;
  uint64_t answerAt_ = 0;
  uint32_t answer_ = 0;
  int waitCalls_ = 0;
};

// Reads a key the way GetPrivateProfileStringA does; false when missing.
bool IniLookup(const std::string& content, const std::string& section,
               const std::string& key, std::string* value);
// Writes a key the way WritePrivateProfileStringA does; a null value
// removes it.
void IniWrite(std::string* content, const std::string& section,
              const std::string& key, const char* value);

}  // namespace qv::test

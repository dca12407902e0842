// Macros: fixed upper-case names between percent signs ("%DATE%",
// "%USERNAME%"...) in configured texts, replaced by their values just
// before a text is used.
#pragma once

namespace qv {

inline constexpr int kMacroCount = 22;

// What one expansion reads once (the clock, the system directory).
struct Expansion;

// A macro: its name, its command in the insertion menu, and how its value is
// made (false: the macro stays unreplaced).
struct Macro {
  const char* name;
  int menuCommand;
  bool (*value)(Expansion& expansion, char* value);
};

// Every macro, in the order in which they are replaced.
extern const Macro kMacros[kMacroCount];

// The insertion menu's commands, 31 to 52, name the macros alphabetically.
inline constexpr int kFirstMacroCommand = 31;
inline constexpr int kLastMacroCommand = 52;
// The macro name of a menu command; null for any other number.
const char* MacroMenuEntry(int command);

// 1-based position of the first `pattern` in `text` at or after `start`;
// 0 when there is none; -1 when the pattern is not shorter than the text
// (a text that is exactly the pattern is not found); -2 when `start` is
// below 1 or past the last position the pattern could begin at.
int FindText(int start, const char* text, const char* pattern);

// Replaces every `name` in the 260-byte `text` by `value`, in place. A text
// that is exactly the name becomes the value. The search resumes after each
// inserted value, so a value holding the name is inserted once, not without
// end. What would pass 259 characters is cut.
void ReplaceText(char* text, const char* name, const char* value);

// Expands all macros of the 260-byte `text` in place, with one reading of
// the clock; a value inserted by a macro is expanded by the later ones.
void ExpandMacros(char* text);

}  // namespace qv

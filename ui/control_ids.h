// The control IDs of the five dialogs, one block a dialog: the templates,
// the dialog procedures, the settings transfer, the tests and the test
// driver all use these names (the Python tests read this file). Prefixes
// tell the kind: IDE_ edit, IDL_ drop-down list, IDB_ push button, IDX_
// check box, IDT_ static text, IDG_ group box. Two dialogs may give one
// number two names; within a dialog, labels that are never addressed may
// share one.
#pragma once

namespace qv {

// The setup dialog.
inline constexpr int IDG_SETUP_MAPPING = 1;
inline constexpr int IDT_SETUP_ADDRESS = 2;
inline constexpr int IDE_SETUP_ADDRESS = 3;
inline constexpr int IDB_SETUP_BROWSE = 4;
inline constexpr int IDT_SETUP_LETTER = 5;
inline constexpr int IDE_SETUP_USER = 6;
inline constexpr int IDT_SETUP_TYPE = 7;
inline constexpr int IDL_SETUP_LETTER = 8;
inline constexpr int IDT_SETUP_USER = 9;
inline constexpr int IDL_SETUP_TYPE = 10;
inline constexpr int IDT_SETUP_PASSWORD = 11;
inline constexpr int IDE_SETUP_PASSWORD = 12;
inline constexpr int IDT_SETUP_OPTIONS = 13;
inline constexpr int IDX_PERSISTANT = 14;
inline constexpr int IDX_FORCE = 15;
inline constexpr int IDX_PROMPT = 16;
inline constexpr int IDX_SAVE_CREDENTIALS = 17;
inline constexpr int IDX_START_UP = 18;
inline constexpr int IDX_UPDATE_MODE = 19;
inline constexpr int IDG_SETUP_MESSAGES = 20;
inline constexpr int IDB_SHARE_ERROR = 21;
inline constexpr int IDB_DRIVE_ERROR = 22;
inline constexpr int IDB_CREDENTIALS = 23;
inline constexpr int IDG_SETUP_ACTIONS = 24;
inline constexpr int IDB_MAP_NOW = 25;
inline constexpr int IDB_UNMAP_NOW = 26;
inline constexpr int IDB_PROGRAMS = 27;
inline constexpr int IDB_ABOUT = 28;
inline constexpr int IDB_SETUP_SAVE = 29;
inline constexpr int IDB_SETUP_CLOSE = 30;
// Ctrl+Space, registered on the setup dialog.
inline constexpr int ID_MACRO_HOT_KEY = 54;

// The message settings dialog ("SHAREERROR", "MAPERROR", "CREDENTIALS").
inline constexpr int IDG_MESSAGE_TEXT = 1;
inline constexpr int IDT_MESSAGE_TITLE = 2;
inline constexpr int IDE_MESSAGE_TITLE = 3;
inline constexpr int IDT_MESSAGE_LINE1 = 5;
inline constexpr int IDE_MESSAGE_LINE1 = 6;
inline constexpr int IDT_MESSAGE_LINE2 = 7;
inline constexpr int IDL_MESSAGE_BUTTONS = 8;
inline constexpr int IDT_MESSAGE_LINE3 = 9;
inline constexpr int IDT_MESSAGE_LINE4 = 11;
inline constexpr int IDE_MESSAGE_LINE2 = 12;
inline constexpr int IDT_MESSAGE_LINE5 = 13;  // also "Show Buttons:"
inline constexpr int IDE_MESSAGE_LINE3 = 14;
inline constexpr int IDE_MESSAGE_LINE4 = 15;
inline constexpr int IDE_MESSAGE_LINE5 = 16;
inline constexpr int IDG_MESSAGE_OPTIONS = 20;
inline constexpr int IDB_MESSAGE_SAVE = 29;
inline constexpr int IDB_MESSAGE_CANCEL = 30;

// The programs dialog: three rows of program and parameters.
inline constexpr int IDG_PROGRAM1 = 1;
inline constexpr int IDT_EXECUTE1 = 2;
inline constexpr int IDE_EXECUTE1 = 3;
inline constexpr int IDB_BROWSE1 = 4;
inline constexpr int IDT_PARAMETERS1 = 5;
inline constexpr int IDE_PARAMETERS1 = 6;
inline constexpr int IDT_EXECUTE2_3 = 7;
inline constexpr int IDT_PARAMETERS2_3 = 9;
inline constexpr int IDE_EXECUTE2 = 12;
inline constexpr int IDE_PARAMETERS2 = 14;
inline constexpr int IDE_EXECUTE3 = 15;
inline constexpr int IDE_PARAMETERS3 = 16;
inline constexpr int IDG_PROGRAM2 = 20;
inline constexpr int IDB_BROWSE2 = 21;
inline constexpr int IDB_BROWSE3 = 22;
inline constexpr int IDG_PROGRAM3 = 24;
inline constexpr int IDB_PROGRAMS_SAVE = 29;
inline constexpr int IDB_PROGRAMS_CANCEL = 30;

// The About dialog.
inline constexpr int IDG_ABOUT = 1;
inline constexpr int IDB_ABOUT_OK = 1;
inline constexpr int IDT_ABOUT_ADDRESS = 2;

// The credentials prompt.
inline constexpr int IDB_PROMPT_OK = 1;
inline constexpr int IDT_PROMPT_LINE1 = 2;
inline constexpr int IDE_PROMPT_USER = 3;
inline constexpr int IDT_PROMPT_LINE2 = 5;
inline constexpr int IDE_PROMPT_PASSWORD = 6;
inline constexpr int IDT_PROMPT_USER = 7;
inline constexpr int IDT_PROMPT_PASSWORD = 9;
inline constexpr int IDB_PROMPT_CANCEL = 30;

// The six text fields the message and programs dialogs share, in order:
// one transfer serves both.
inline constexpr int kTextFieldIds[6] = {IDE_MESSAGE_TITLE, IDE_MESSAGE_LINE1,
                                         IDE_MESSAGE_LINE2, IDE_MESSAGE_LINE3,
                                         IDE_MESSAGE_LINE4, IDE_MESSAGE_LINE5};
static_assert(IDE_EXECUTE1 == IDE_MESSAGE_TITLE && IDE_PARAMETERS1 == IDE_MESSAGE_LINE1 &&
              IDE_EXECUTE2 == IDE_MESSAGE_LINE2 && IDE_PARAMETERS2 == IDE_MESSAGE_LINE3 &&
              IDE_EXECUTE3 == IDE_MESSAGE_LINE4 && IDE_PARAMETERS3 == IDE_MESSAGE_LINE5);

}  // namespace qv

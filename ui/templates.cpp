// The five dialogs of the program, as data.
#include "ui/control_ids.h"
#include "ui/dialog_template.h"

namespace qv {

namespace {

constexpr uint32_t kTopLevelStyle = 0x00080840;  // WS_SYSMENU, DS_CENTER, DS_SETFONT
constexpr uint32_t kSetupStyle = 0x90C80848;     // WS_POPUP, WS_VISIBLE, WS_CAPTION,
                                                 // WS_SYSMENU, DS_CENTER, DS_SETFONT,
                                                 // DS_FIXEDSYS
constexpr uint16_t B = kButtonAtom, E = kEditAtom, S = kStaticAtom, C = kComboAtom;

constexpr DialogItem kSetupItems[] = {
    {kGroupBoxStyle, 8, 4, 260, 124, IDG_SETUP_MAPPING, B, "Map Drive Setting"},
    {kLabelStyle, 16, 19, 54, 12, IDT_SETUP_TYPE, S, "Drive Type:"},
    {kDropDownStyle, 76, 18, 60, 90, IDL_SETUP_TYPE, C, nullptr},
    {kLabelStyle, 146, 19, 54, 12, IDT_SETUP_LETTER, S, "Map to &Drive:"},
    {kUpperDropDownStyle, 196, 18, 60, 200, IDL_SETUP_LETTER, C, nullptr},
    {kLabelStyle, 16, 35, 54, 12, IDT_SETUP_ADDRESS, S, "Sh&are Address:"},
    {kEditStyle, 76, 34, 166, 12, IDE_SETUP_ADDRESS, E, nullptr},
    {kFlatButtonStyle, 244, 34, 12, 12, IDB_SETUP_BROWSE, B, "..."},
    {kLabelStyle, 16, 51, 54, 12, IDT_SETUP_USER, S, "Username:"},
    {kEditBit15Style, 76, 50, 180, 12, IDE_SETUP_USER, E, nullptr},
    {kLabelStyle, 16, 67, 54, 12, IDT_SETUP_PASSWORD, S, "Password:"},
    {kPasswordBit15Style, 76, 66, 180, 12, IDE_SETUP_PASSWORD, E, nullptr},
    {kLabelStyle, 16, 83, 54, 12, IDT_SETUP_OPTIONS, S, "Options:"},
    {kFlatCheckBoxStyle, 76, 80, 90, 12, IDX_PERSISTANT, B, "Persistant Connection"},
    {kFlatCheckBoxStyle, 174, 80, 90, 12, IDX_FORCE, B, "Force DisConnection"},
    {kFlatCheckBoxStyle, 76, 94, 90, 12, IDX_PROMPT, B, "Prompt for Credentials"},
    {kFlatCheckBoxStyle, 174, 94, 90, 12, IDX_SAVE_CREDENTIALS, B, "Save Credentials"},
    {kFlatCheckBoxStyle, 76, 108, 90, 12, IDX_START_UP, B, "Start With System"},
    {kFlatCheckBoxStyle, 174, 108, 90, 12, IDX_UPDATE_MODE, B, "Copy or Update Mode"},
    {kGroupBoxStyle, 8, 132, 260, 40, IDG_SETUP_MESSAGES, B, "End User Messages"},
    {kFlatButtonStyle, 18, 146, 74, 16, IDB_SHARE_ERROR, B, "Share Error"},
    {kFlatButtonStyle, 100, 146, 76, 16, IDB_DRIVE_ERROR, B, "Drive Error"},
    {kFlatButtonStyle, 184, 146, 74, 16, IDB_CREDENTIALS, B, "Credentials"},
    {kGroupBoxStyle, 8, 176, 260, 40, IDG_SETUP_ACTIONS, B, "Actions"},
    {kFlatButtonStyle, 18, 190, 74, 16, IDB_MAP_NOW, B, "Map Drive Now"},
    {kFlatButtonStyle, 100, 190, 76, 16, IDB_UNMAP_NOW, B, "UnMap Drive Now"},
    {kFlatButtonStyle, 184, 190, 74, 16, IDB_PROGRAMS, B, "Programs to Run"},
    {kFlatButtonStyle, 12, 222, 60, 16, IDB_ABOUT, B, "About..."},
    {kFlatButtonStyle, 140, 222, 60, 16, IDB_SETUP_SAVE, B, "Save"},
    {kFlatDefaultButtonStyle, 206, 222, 60, 16, IDB_SETUP_CLOSE, B, "Close"},
};

constexpr DialogItem kMessageItems[] = {
    {kGroupBoxStyle, 8, 4, 248, 116, IDG_MESSAGE_TEXT, B, "Message Text"},
    {kLabelStyle, 16, 20, 54, 12, IDT_MESSAGE_TITLE, S, "Title:"},
    {kEditStyle, 76, 18, 168, 12, IDE_MESSAGE_TITLE, E, nullptr},
    {kLabelStyle, 16, 36, 54, 12, IDT_MESSAGE_LINE1, S, "Line 1:"},
    {kEditStyle, 76, 34, 168, 12, IDE_MESSAGE_LINE1, E, nullptr},
    {kLabelStyle, 16, 52, 54, 12, IDT_MESSAGE_LINE2, S, "Line 2:"},
    {kEditStyle, 76, 50, 168, 12, IDE_MESSAGE_LINE2, E, nullptr},
    {kLabelStyle, 16, 68, 54, 12, IDT_MESSAGE_LINE3, S, "Line 3:"},
    {kEditStyle, 76, 66, 168, 12, IDE_MESSAGE_LINE3, E, nullptr},
    {kLabelStyle, 16, 84, 74, 12, IDT_MESSAGE_LINE4, S, "Line 4:"},
    {kEditStyle, 76, 82, 168, 12, IDE_MESSAGE_LINE4, E, nullptr},
    {kLabelStyle, 16, 100, 74, 12, IDT_MESSAGE_LINE5, S, "Line 5:"},
    {kEditStyle, 76, 98, 168, 12, IDE_MESSAGE_LINE5, E, nullptr},
    {kGroupBoxStyle, 8, 126, 248, 46, IDG_MESSAGE_OPTIONS, B, "Message Options"},
    {kLabelStyle, 16, 146, 54, 12, IDT_MESSAGE_LINE5, S, "Show Buttons:"},
    {kUpperDropDownStyle, 76, 144, 168, 90, IDL_MESSAGE_BUTTONS, C, nullptr},
    {kFlatDefaultButtonStyle, 124, 180, 60, 16, IDB_MESSAGE_SAVE, B, "Save"},
    {kFlatButtonStyle, 194, 180, 60, 16, IDB_MESSAGE_CANCEL, B, "Cancel"},
};

constexpr DialogItem kProgramsItems[] = {
    {kGroupBoxStyle, 8, 4, 248, 52, IDG_PROGRAM1, B, "Program to run at Quorvane INITIALIZATION"},
    {kLabelStyle, 16, 20, 54, 12, IDT_EXECUTE1, S, "Execute:"},
    {kEditStyle, 76, 18, 154, 12, IDE_EXECUTE1, E, nullptr},
    {kFlatButtonStyle, 232, 18, 12, 12, IDB_BROWSE1, B, "..."},
    {kLabelStyle, 16, 36, 54, 12, IDT_PARAMETERS1, S, "Parameters:"},
    {kEditStyle, 76, 34, 168, 12, IDE_PARAMETERS1, E, nullptr},
    {kGroupBoxStyle, 8, 62, 248, 52, IDG_PROGRAM2, B, "Program to run AFTER successful Mapping"},
    {kLabelStyle, 16, 78, 54, 12, IDT_EXECUTE2_3, S, "Execute:"},
    {kEditStyle, 76, 76, 154, 12, IDE_EXECUTE2, E, nullptr},
    {kFlatButtonStyle, 232, 76, 12, 12, IDB_BROWSE2, B, "..."},
    {kLabelStyle, 16, 94, 54, 12, IDT_PARAMETERS2_3, S, "Parameters:"},
    {kEditStyle, 76, 92, 168, 12, IDE_PARAMETERS2, E, nullptr},
    {kGroupBoxStyle, 8, 120, 248, 52, IDG_PROGRAM3, B, "Program to run AFTER Unsuccessful Mapping"},
    {kLabelStyle, 16, 136, 54, 12, IDT_EXECUTE2_3, S, "Execute:"},
    {kEditStyle, 76, 134, 154, 12, IDE_EXECUTE3, E, nullptr},
    {kFlatButtonStyle, 232, 134, 12, 12, IDB_BROWSE3, B, "..."},
    {kLabelStyle, 16, 152, 54, 12, IDT_PARAMETERS2_3, S, "Parameters:"},
    {kEditStyle, 76, 150, 168, 12, IDE_PARAMETERS3, E, nullptr},
    {kFlatDefaultButtonStyle, 128, 180, 60, 16, IDB_PROGRAMS_SAVE, B, "Save"},
    {kFlatButtonStyle, 194, 180, 60, 16, IDB_PROGRAMS_CANCEL, B, "Cancel"},
};

constexpr DialogItem kAboutItems[] = {
    {kGroupBoxStyle, 8, 4, 248, 168, IDG_ABOUT, B, "Programmer Stuff"},
    {kLabelStyle, 98, 154, 74, 12, IDT_ABOUT_ADDRESS, S, "[ quorvane.example ]"},
    {kFlatDefaultButtonStyle, 104, 180, 60, 16, IDB_ABOUT_OK, B, "OK"},
};

// The prompt's texts are replaced before it shows; these never appear.
constexpr DialogItem kCredentialsItems[] = {
    {kLabelStyle, 8, 8, 252, 12, IDT_PROMPT_LINE1, S, "Incorrect password or unknown username for:"},
    {kLabelStyle, 8, 24, 252, 12, IDT_PROMPT_LINE2, S, "\\\\ShareAddress"},
    {kLabelStyle, 8, 42, 54, 12, IDT_PROMPT_USER, S, "Connect As:"},
    {kEditStyle, 76, 40, 176, 12, IDE_PROMPT_USER, E, nullptr},
    {kLabelStyle, 8, 58, 54, 12, IDT_PROMPT_PASSWORD, S, "Password:"},
    {kPasswordStyle, 76, 56, 176, 12, IDE_PROMPT_PASSWORD, E, nullptr},
    {kDefaultButtonStyle, 124, 76, 60, 16, IDB_PROMPT_OK, B, "OK"},
    {kButtonStyle, 192, 76, 60, 16, IDB_PROMPT_CANCEL, B, "Cancel"},
};

template <size_t N>
constexpr uint16_t Count(const DialogItem (&)[N]) {
  return static_cast<uint16_t>(N);
}

}  // namespace

// The face names differ in case only; the font is the same.
const DialogTemplate kSetupDialog = {"Setup Map Network Drive", "Ms Sans Serif",
                                     kSetupStyle, 276, 244, 2048,
                                     kSetupItems, Count(kSetupItems)};
const DialogTemplate kMessageDialog = {"Message Setting", "MS Sans Serif",
                                       kTopLevelStyle, 268, 218, 1024,
                                       kMessageItems, Count(kMessageItems)};
const DialogTemplate kProgramsDialog = {"Programs to Execute", "MS Sans Serif",
                                        kTopLevelStyle, 268, 218, 1536,
                                        kProgramsItems, Count(kProgramsItems)};
const DialogTemplate kAboutDialog = {"About Quorvane", "MS Sans Serif",
                                     kTopLevelStyle, 268, 218, 1024,
                                     kAboutItems, Count(kAboutItems)};
const DialogTemplate kCredentialsDialog = {"Enter Network Password", "MS Sans Serif",
                                           kTopLevelStyle, 268, 114, 1024,
                                           kCredentialsItems, Count(kCredentialsItems)};

}  // namespace qv

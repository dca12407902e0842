// The five dialogs of the program, as data.
#include "ui/dialog_template.h"

namespace qv {

namespace {

constexpr uint32_t kTopLevelStyle = 0x00080840;  // WS_SYSMENU, DS_CENTER, DS_SETFONT
constexpr uint32_t kSetupStyle = 0x90C80848;     // WS_POPUP, WS_VISIBLE, WS_CAPTION,
                                                 // WS_SYSMENU, DS_CENTER, DS_SETFONT,
                                                 // DS_FIXEDSYS
constexpr uint16_t B = kButtonAtom, E = kEditAtom, S = kStaticAtom, C = kComboAtom;

constexpr DialogItem kSetupItems[] = {
    {kGroupBoxStyle, 8, 4, 260, 124, 1, B, "Map Drive Setting"},
    {kLabelStyle, 16, 19, 54, 12, 7, S, "Drive Type:"},
    {kDropDownStyle, 76, 18, 60, 90, 10, C, nullptr},
    {kLabelStyle, 146, 19, 54, 12, 5, S, "Map to &Drive:"},
    {kUpperDropDownStyle, 196, 18, 60, 200, 8, C, nullptr},
    {kLabelStyle, 16, 35, 54, 12, 2, S, "Sh&are Address:"},
    {kEditStyle, 76, 34, 166, 12, 3, E, nullptr},
    {kFlatButtonStyle, 244, 34, 12, 12, 4, B, "..."},
    {kLabelStyle, 16, 51, 54, 12, 9, S, "Username:"},
    {kEditBit15Style, 76, 50, 180, 12, 6, E, nullptr},
    {kLabelStyle, 16, 67, 54, 12, 11, S, "Password:"},
    {kPasswordBit15Style, 76, 66, 180, 12, 12, E, nullptr},
    {kLabelStyle, 16, 83, 54, 12, 13, S, "Options:"},
    {kFlatCheckBoxStyle, 76, 80, 90, 12, 14, B, "Persistant Connection"},
    {kFlatCheckBoxStyle, 174, 80, 90, 12, 15, B, "Force DisConnection"},
    {kFlatCheckBoxStyle, 76, 94, 90, 12, 16, B, "Prompt for Credentials"},
    {kFlatCheckBoxStyle, 174, 94, 90, 12, 17, B, "Save Credentials"},
    {kFlatCheckBoxStyle, 76, 108, 90, 12, 18, B, "Start With System"},
    {kFlatCheckBoxStyle, 174, 108, 90, 12, 19, B, "Copy or Update Mode"},
    {kGroupBoxStyle, 8, 132, 260, 40, 20, B, "End User Messages"},
    {kFlatButtonStyle, 18, 146, 74, 16, 21, B, "Share Error"},
    {kFlatButtonStyle, 100, 146, 76, 16, 22, B, "Drive Error"},
    {kFlatButtonStyle, 184, 146, 74, 16, 23, B, "Credentials"},
    {kGroupBoxStyle, 8, 176, 260, 40, 24, B, "Actions"},
    {kFlatButtonStyle, 18, 190, 74, 16, 25, B, "Map Drive Now"},
    {kFlatButtonStyle, 100, 190, 76, 16, 26, B, "UnMap Drive Now"},
    {kFlatButtonStyle, 184, 190, 74, 16, 27, B, "Programs to Run"},
    {kFlatButtonStyle, 12, 222, 60, 16, 28, B, "About..."},
    {kFlatButtonStyle, 140, 222, 60, 16, 29, B, "Save"},
    {kFlatDefaultButtonStyle, 206, 222, 60, 16, 30, B, "Close"},
};

constexpr DialogItem kMessageItems[] = {
    {kGroupBoxStyle, 8, 4, 248, 116, 1, B, "Message Text"},
    {kLabelStyle, 16, 20, 54, 12, 2, S, "Title:"},
    {kEditStyle, 76, 18, 168, 12, 3, E, nullptr},
    {kLabelStyle, 16, 36, 54, 12, 5, S, "Line 1:"},
    {kEditStyle, 76, 34, 168, 12, 6, E, nullptr},
    {kLabelStyle, 16, 52, 54, 12, 7, S, "Line 2:"},
    {kEditStyle, 76, 50, 168, 12, 12, E, nullptr},
    {kLabelStyle, 16, 68, 54, 12, 9, S, "Line 3:"},
    {kEditStyle, 76, 66, 168, 12, 14, E, nullptr},
    {kLabelStyle, 16, 84, 74, 12, 11, S, "Line 4:"},
    {kEditStyle, 76, 82, 168, 12, 15, E, nullptr},
    {kLabelStyle, 16, 100, 74, 12, 13, S, "Line 5:"},
    {kEditStyle, 76, 98, 168, 12, 16, E, nullptr},
    {kGroupBoxStyle, 8, 126, 248, 46, 20, B, "Message Options"},
    {kLabelStyle, 16, 146, 54, 12, 13, S, "Show Buttons:"},
    {kUpperDropDownStyle, 76, 144, 168, 90, 8, C, nullptr},
    {kFlatDefaultButtonStyle, 124, 180, 60, 16, 29, B, "Save"},
    {kFlatButtonStyle, 194, 180, 60, 16, 30, B, "Cancel"},
};

constexpr DialogItem kProgramsItems[] = {
    {kGroupBoxStyle, 8, 4, 248, 52, 1, B, "Program to run at Quorvane INITIALIZATION"},
    {kLabelStyle, 16, 20, 54, 12, 2, S, "Execute:"},
    {kEditStyle, 76, 18, 154, 12, 3, E, nullptr},
    {kFlatButtonStyle, 232, 18, 12, 12, 4, B, "..."},
    {kLabelStyle, 16, 36, 54, 12, 5, S, "Parameters:"},
    {kEditStyle, 76, 34, 168, 12, 6, E, nullptr},
    {kGroupBoxStyle, 8, 62, 248, 52, 20, B, "Program to run AFTER successful Mapping"},
    {kLabelStyle, 16, 78, 54, 12, 7, S, "Execute:"},
    {kEditStyle, 76, 76, 154, 12, 12, E, nullptr},
    {kFlatButtonStyle, 232, 76, 12, 12, 21, B, "..."},
    {kLabelStyle, 16, 94, 54, 12, 9, S, "Parameters:"},
    {kEditStyle, 76, 92, 168, 12, 14, E, nullptr},
    {kGroupBoxStyle, 8, 120, 248, 52, 24, B, "Program to run AFTER Unsuccessful Mapping"},
    {kLabelStyle, 16, 136, 54, 12, 7, S, "Execute:"},
    {kEditStyle, 76, 134, 154, 12, 15, E, nullptr},
    {kFlatButtonStyle, 232, 134, 12, 12, 22, B, "..."},
    {kLabelStyle, 16, 152, 54, 12, 9, S, "Parameters:"},
    {kEditStyle, 76, 150, 168, 12, 16, E, nullptr},
    {kFlatDefaultButtonStyle, 128, 180, 60, 16, 29, B, "Save"},
    {kFlatButtonStyle, 194, 180, 60, 16, 30, B, "Cancel"},
};

constexpr DialogItem kAboutItems[] = {
    {kGroupBoxStyle, 8, 4, 248, 168, 1, B, "Programmer Stuff"},
    {kLabelStyle, 98, 154, 74, 12, 2, S, "[ quorvane.example ]"},
    {kFlatDefaultButtonStyle, 104, 180, 60, 16, 1, B, "OK"},
};

// The prompt's texts are replaced before it shows; these never appear.
constexpr DialogItem kCredentialsItems[] = {
    {kLabelStyle, 8, 8, 252, 12, 2, S, "Incorrect password or unknown username for:"},
    {kLabelStyle, 8, 24, 252, 12, 5, S, "\\\\ShareAddress"},
    {kLabelStyle, 8, 42, 54, 12, 7, S, "Connect As:"},
    {kEditStyle, 76, 40, 176, 12, 3, E, nullptr},
    {kLabelStyle, 8, 58, 54, 12, 9, S, "Password:"},
    {kPasswordStyle, 76, 56, 176, 12, 6, E, nullptr},
    {kDefaultButtonStyle, 124, 76, 60, 16, 1, B, "OK"},
    {kButtonStyle, 192, 76, 60, 16, 30, B, "Cancel"},
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

#include "mapping/credentials_win32.h"

#include "mapping/credentials.h"
#include "settings/settings.h"
#include "ui/dialog_runner.h"

namespace qv {

namespace {

INT_PTR CALLBACK CredentialsProcedure(HWND dialog, UINT message, WPARAM wParam,
                                      LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
      SetIconFromArguments(dialog, lParam);
      OpenCredentialsPrompt();
      const EndUserMessageRecord& m = Settings.EndUserMessage;
      SetWindowTextA(dialog, m.Title);
      SetDlgItemTextA(dialog, 2, m.Line1);
      SetDlgItemTextA(dialog, 5, m.Line2);
      SetDlgItemTextA(dialog, 7, m.Line4);
      SetDlgItemTextA(dialog, 9, m.Line5);
      SetDlgItemTextA(dialog, 3, Settings.UserName);
      SetDlgItemTextA(dialog, 6, Settings.PassWord);
      return FALSE;  // no focus is placed
    }
    case WM_COMMAND:
      // Only a click counts; Escape (command 2) does not close the prompt.
      if (wParam == 1) {
        char user[kTextSize];
        char password[kTextSize];
        GetDlgItemTextA(dialog, 3, user, sizeof user);
        GetDlgItemTextA(dialog, 6, password, sizeof password);
        AcceptCredentials(user, password);
        EndDialog(dialog, 0);
      } else if (wParam == 30) {
        EndDialog(dialog, 0);
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR AskCredentials(HWND owner, HICON icon) {
  return RunSubDialog(kCredentialsDialog, owner, icon, CredentialsProcedure);
}

}  // namespace qv

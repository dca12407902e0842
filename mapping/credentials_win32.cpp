#include "mapping/credentials_win32.h"

#include "ui/control_ids.h"
#include "ui/dialog_runner.h"

namespace qv {

namespace {

// The creation parameter: the sub-dialog's arguments first, so that the
// icon is found where every sub-dialog keeps it.
struct PromptArguments {
  DialogArguments dialog;
  const CredentialsPromptTexts* texts;
  Credentials* typed;
  bool unattended;
  bool confirmed;
};

INT_PTR CALLBACK CredentialsProcedure(HWND dialog, UINT message, WPARAM wParam,
                                      LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
      SetIconFromArguments(dialog, lParam);
      const auto* arguments = reinterpret_cast<const PromptArguments*>(lParam);
      const CredentialsPromptTexts& t = *arguments->texts;
      SetWindowTextA(dialog, t.Title);
      SetDlgItemTextA(dialog, IDT_PROMPT_LINE1, t.Line1);
      SetDlgItemTextA(dialog, IDT_PROMPT_LINE2, t.Line2);
      SetDlgItemTextA(dialog, IDT_PROMPT_USER, t.UserLabel);
      SetDlgItemTextA(dialog, IDT_PROMPT_PASSWORD, t.PasswordLabel);
      SetDlgItemTextA(dialog, IDE_PROMPT_USER, arguments->typed->UserName);
      SetDlgItemTextA(dialog, IDE_PROMPT_PASSWORD, arguments->typed->PassWord);
      if (arguments->unattended) {
        // Owned by a hidden window, the prompt would have no taskbar button
        // and could open behind whatever the user started at log-on. Set
        // here, so the template stays as it is.
        SetWindowLongPtrA(dialog, GWL_EXSTYLE,
                          GetWindowLongPtrA(dialog, GWL_EXSTYLE) | WS_EX_APPWINDOW);
      }
      return FALSE;  // no focus is placed
    }
    case WM_SHOWWINDOW: {
      const auto* arguments =
          reinterpret_cast<const PromptArguments*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
      if (wParam != FALSE && arguments != nullptr && arguments->unattended) {
        SetForegroundWindow(dialog);
      }
      return FALSE;
    }
    case WM_COMMAND:
      // Only a click counts; Escape (command 2) does not close the prompt.
      if (wParam == IDB_PROMPT_OK) {
        auto* arguments =
            reinterpret_cast<PromptArguments*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
        Credentials* typed = arguments->typed;
        GetDlgItemTextA(dialog, IDE_PROMPT_USER, typed->UserName, sizeof typed->UserName);
        GetDlgItemTextA(dialog, IDE_PROMPT_PASSWORD, typed->PassWord, sizeof typed->PassWord);
        arguments->confirmed = true;
        EndDialog(dialog, 0);
      } else if (wParam == IDB_PROMPT_CANCEL) {
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

class Win32CredentialsPrompt final : public CredentialsPrompt {
 public:
  bool Ask(Window owner, const CredentialsPromptTexts& texts, Credentials& typed,
           bool unattended) override {
    return AskCredentials(reinterpret_cast<HWND>(owner), ApplicationIcon, texts, &typed,
                          unattended);
  }
};

Win32CredentialsPrompt prompt;

}  // namespace

bool AskCredentials(HWND owner, HICON icon, const CredentialsPromptTexts& texts,
                    Credentials* typed, bool unattended) {
  PromptArguments arguments = {{owner, icon}, &texts, typed, unattended, false};
  RunDialogTemplate(kCredentialsDialog, owner, CredentialsProcedure,
                    reinterpret_cast<LPARAM>(&arguments));
  return arguments.confirmed;
}

void UseWin32CredentialsPrompt() { UseCredentialsPrompt(prompt); }

}  // namespace qv

// The setup dialog: the program's only main window, and the place where the
// unattended run happens before it is ever shown.
#pragma once

#include <windows.h>

namespace qv {

// Builds and runs the setup dialog; returns when it has ended.
INT_PTR RunSetupDialog();

}  // namespace qv

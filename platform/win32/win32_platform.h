// The Win32 implementation of the platform port.
#pragma once

namespace qv {

// Makes the real Windows API the platform the logic runs on.
void UseWin32Platform();

}  // namespace qv

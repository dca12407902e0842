#include "platform/platform.h"

namespace qv {

namespace {
Platform* current = nullptr;
}

Platform& Sys() { return *current; }
void UsePlatform(Platform& platform) { current = &platform; }

}  // namespace qv

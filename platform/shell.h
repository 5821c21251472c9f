#pragma once

#include <string_view>

namespace platform {

// Opens `target` the way the desktop opens things, without waiting for what
// starts: a program file (an existing executable file) is started detached
// with no arguments in the current directory; an address with a scheme
// (https:, file:, mailto: ...) and any other existing file or folder go to the
// desktop's handler for them. Returns whether something was handed on; a
// target that is none of these opens nothing.
bool shellOpen(std::string_view target);

}  // namespace platform

#pragma once

#include <QString>

namespace app {

// The help text of the help box: 42 lines that describe the script format,
// each ended by CR LF (the last one too).
QString helpText();

}  // namespace app

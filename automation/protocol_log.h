#pragma once

#include <QLoggingCategory>

#include "automation/remote_object.h"

namespace automation {

// Why protocol calls fail, and the traffic itself: the library's public
// operations fail quietly with empty values, and this is where the reason
// goes. Silent by default; QT_LOGGING_RULES="scriptmaker.protocol.info=true"
// shows every failure with its cause, "scriptmaker.protocol.debug=true" adds
// every command sent and every message received.
Q_DECLARE_LOGGING_CATEGORY(protocolLog)

// The name of a failure kind, for log lines ("TimedOut", "Disconnected"...).
const char* failureName(Failure failure);

}  // namespace automation

#include "automation/protocol_log.h"

namespace automation {

// Warnings and above only by default: the library logs failures as info and
// traffic as debug, so nothing shows unless asked for.
Q_LOGGING_CATEGORY(protocolLog, "scriptmaker.protocol", QtWarningMsg)

const char* failureName(Failure failure) {
    switch (failure) {
        case Failure::EmptyObject:
            return "EmptyObject";
        case Failure::NotBound:
            return "NotBound";
        case Failure::Threw:
            return "Threw";
        case Failure::Disconnected:
            return "Disconnected";
        case Failure::TimedOut:
            return "TimedOut";
        case Failure::Reentered:
            return "Reentered";
        case Failure::BadReply:
            return "BadReply";
    }
    return "unknown";
}

}  // namespace automation

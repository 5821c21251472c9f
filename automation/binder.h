#pragma once

#include <QString>
#include <span>

#include "automation/remote_object.h"

namespace automation::binder {

// The key under which the binder lives in every document of this process: a
// random name, fixed for the life of the process.
const QString& key();

// The script that installs the binder into a document (for
// Page.addScriptToEvaluateOnNewDocument, or to run in a document that was
// created before the script was added).
const QString& installScript();

// The binder's source as a function of the key, for Runtime.callFunctionOn
// on an object whose document has no binder yet.
const QString& installFunction();

// The short function sent with every late-bound call: arguments name, kinds,
// wanted, then the member's arguments. Throws "Unbound" when the document has
// no binder.
const QString& callFunction();

// How a call's member kinds and wanted result travel to the binder: one
// letter per kind, in order ("g" get, "m" method, "p" put, "r" put by
// reference), and one letter for the result ("n", "t", "d", "o", "b", "v").
QString kindLetters(std::span<const MemberKind> kinds);
QString wantedLetter(ResultKind wanted);

// The function sent to run `source` (a function expression) with the object
// as `this`: arguments kinds (unused), wanted, then the function's arguments.
QString runFunction(const QString& source);

}  // namespace automation::binder

#pragma once

#include <QString>

namespace page {

// The compatibility layer: one JavaScript source that gives every document
// the older document-model members the page operations call (parentWindow,
// frames, all and tags, item() without an argument, fireEvent, execScript,
// createPopup, selection.createRange). It must run in each document, frames
// included, before the document's own scripts: a launched browser gets it
// through its page session's scripts for new documents, an embedded view as a
// document-creation script in the main world.
//
// Installing it twice into one document is harmless.
const QString& compatibilityLayerSource();

}  // namespace page

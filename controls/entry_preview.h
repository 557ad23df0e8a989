#pragma once
// Fills the preview page with a found entry: its first sectors tell a
// picture or text from anything else, and only then is the file read
// whole, through the recovery's own copy, within the page's size limits.
#include <QString>

#include "engine/entry_handle.h"

namespace tarnwell::controls {

class PreviewPage;

void ShowEntryPreview(PreviewPage& page, const engine::EntryHandle& entry, const QString& caption);

}  // namespace tarnwell::controls

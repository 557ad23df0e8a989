#pragma once
// Small pieces of the advanced window that need none of its state: the
// search page's scope captions, the two bottom panels kept level, the
// waits of the drive hint and the filter built from the search page.
#include <cstdint>

#include "controls/search_panel.h"
#include "physical/raw/found_lookup.h"

class QSplitter;

namespace tarnwell::advanced {

// The scope of the advanced search is the current folder or every result:
// the shared page's first scope button means "当前文件夹" here.
void AdaptSearchPanelScope(controls::SearchPanel& panel);
bool CurrentFolderScope(const controls::SearchRequest& request);

// After `moved`'s splitter handle moved, `other` gives its bottom panel the
// same height.
void MatchBottomPanels(QSplitter* moved, QSplitter* other);

// Sleeps; the drive hint stays on screen meanwhile.
void WaitMilliseconds(int ms);

// The filter of a search request over one folder (its key) or, with key -1,
// over everything found.
physical::raw::FilterCriteria FilterCriteriaOf(const controls::SearchRequest& request, int64_t folderKey);

}  // namespace tarnwell::advanced

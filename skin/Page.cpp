// Common start of every page: the skinned base, the page background and its transparent colour.
#include "skin/Page.h"

#include "resources/resource.h"

namespace ui {

BOOL Page::OnInitDialog() {
    CToolTipDialog::OnInitDialog();
    // Every page shows the same background: one bitmap for all of them.
    SetSharedBackgroundBitmap(IDB_PAGE_BACKGROUND);
    SetTransparentColor(kSkinTransparent);
    return FALSE;  // pages never take the focus when they are created
}

}  // namespace ui

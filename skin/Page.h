// A page of the main window: a skinned child dialog on the page background, shown and hidden by
// the main window, never closed by Enter or Escape.
#pragma once

#include "skin/ToolTipDialog.h"

namespace ui {

class Page : public CToolTipDialog {
public:
    Page(HINSTANCE resources, UINT templateId) : CToolTipDialog(resources, templateId) {}

protected:
    BOOL OnInitDialog() override;
};

}  // namespace ui

// In a pane that scrolls, the wheel passing over a combo box, a date box or
// a tab bar must not change it: such a control takes the wheel only once the
// user has given it the focus; otherwise the wheel scrolls the pane.
#pragma once

class QWidget;

namespace zeph {

// Guards every such control below the widget (which lies in a scroll area).
void guardWheel(QWidget* widget);

}  // namespace zeph

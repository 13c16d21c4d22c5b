#pragma once

class QWidget;

namespace bibliora::skin {

class ButtonSkin;

// The button skin of the application's windows. Attach it to the main window before showing
// it: its push buttons get drawn, fading faces, its text boxes and grids a flat frame, and
// every message box, file dialog or form that opens while it is attached is skinned too, until
// that window is destroyed. Detach it when the main window closes; the dialogs the main window
// owns are restored with it.
//
// attachSkin returns 1 when the widget itself was newly hooked (or, for a push button,
// skinned), 0 when it already was or is of a kind the skin leaves alone; a second call on a
// hooked window skins only the buttons added since. detachSkin returns 1 when the widget
// itself was restored.
int attachSkin(QWidget* window);
int detachSkin(QWidget* window);

// The skin's state: counts of skinned buttons, hooked windows and running fades, and whether
// the atlas is built.
const ButtonSkin& skinState();

} // namespace bibliora::skin

#pragma once

class QWidget;

namespace bibliora::skin {

class ButtonSkin;

// The button skin of the application's windows. Attach it to the main window before showing
// it: its push buttons get drawn, fading faces, its text boxes and grids a flat frame, and every
// message box, file dialog or form that becomes the active window in its place is skinned too
// until it closes. Detach it when the main window closes.
//
// attachSkin returns 1 when the window itself was newly hooked (or, for a push button,
// skinned), 0 when it already was or is of a kind the skin leaves alone; a second call on a
// hooked window skins only the buttons added since. detachSkin returns 1 when the window
// itself was restored.
int attachSkin(QWidget* window);
int detachSkin(QWidget* window);

// The skin's state: counts of skinned buttons and hooked forms, whether the atlas is built.
const ButtonSkin& skinState();

} // namespace bibliora::skin

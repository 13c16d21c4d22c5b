#pragma once

#include "clipboard.h"
#include "clock.h"
#include "filedialog.h"
#include "messagebox.h"
#include "popupmenu.h"
#include "shell.h"

#include <memory>

namespace bibliora {

// The platform services a window uses. The window never opens a modal dialog itself, so
// tests can replace any of these with scripted answers.
struct Platform
{
    std::shared_ptr<FileDialog> fileDialog;
    std::shared_ptr<MessageBox> messageBox;
    std::shared_ptr<Shell> shell;
    std::shared_ptr<Clipboard> clipboard;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<PopupMenu> popupMenu;
};

// The Qt implementation of every service.
Platform makeQtPlatform();

} // namespace bibliora

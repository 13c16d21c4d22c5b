#pragma once

class QCoreApplication;

namespace bibliora {

// Installs Qt's own Chinese texts (the file dialog, 是/否/确定) whatever the machine's locale.
// They are looked for where Qt's paths say (a qt.conf beside the program names the folder in
// a Windows installation), then in "translations" beside the program. Returns false when
// neither holds them; the program then runs with Qt's English texts.
bool installQtTranslations(QCoreApplication* app);

} // namespace bibliora

#include "qtskin.h"

#include "buttonskin.h"

#include <QCoreApplication>
#include <QPointer>

namespace bibliora::skin {

namespace {

// One skin for the application, living as long as the application object.
ButtonSkin& applicationSkin()
{
    static QPointer<ButtonSkin> skin;
    if (!skin)
        skin = new ButtonSkin(QCoreApplication::instance());
    return *skin;
}

} // namespace

int attachSkin(QWidget* window)
{
    return window ? applicationSkin().attachSkin(window) : 0;
}

int detachSkin(QWidget* window)
{
    return window ? applicationSkin().detachSkin(window) : 0;
}

const ButtonSkin& skinState()
{
    return applicationSkin();
}

} // namespace bibliora::skin

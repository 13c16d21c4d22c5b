#include "qtskin.h"

#include "buttonskin.h"
#include "qtwindowops.h"

#include <QApplication>
#include <QPointer>

namespace bibliora::skin {

namespace {

// One skin for the application, living as long as the application object.
class ApplicationSkin final : public QObject
{
public:
    explicit ApplicationSkin(QObject* parent) : QObject(parent), m_skin(m_ops) {}

    QtWindowOps& ops() { return m_ops; }
    ButtonSkin& skin() { return m_skin; }

private:
    QtWindowOps m_ops; // declared first: the skin's procedures live in it
    ButtonSkin m_skin;
};

ApplicationSkin& applicationSkin()
{
    static QPointer<ApplicationSkin> instance;
    if (!instance)
        instance = new ApplicationSkin(QCoreApplication::instance());
    return *instance;
}

} // namespace

int attachSkin(QWidget* window)
{
    ApplicationSkin& app = applicationSkin();
    return window ? app.skin().attachSkin(app.ops().handleOf(window)) : 0;
}

int detachSkin(QWidget* window)
{
    ApplicationSkin& app = applicationSkin();
    return window ? app.skin().detachSkin(app.ops().handleOf(window)) : 0;
}

const ButtonSkin& skinState()
{
    return applicationSkin().skin();
}

} // namespace bibliora::skin

#pragma once

#include "faces.h"
#include "windowops.h"

#include <string>

namespace bibliora::skin {

// The button skin of a whole process: it hooks forms and dialog boxes so that the skin spreads
// to every window that becomes active in place of a hooked one, draws every push button with
// rounded faces that fade between states, and gives other controls with a sunken client edge a
// flat frame. All of its state lives in named properties on the windows it touches, apart from
// the counts and the shared atlas kept here.
//
// Window procedures return what the platform's procedures return; the other operations return
// 1 when they did something and 0 when there was nothing to do.
class ButtonSkin final
{
public:
    explicit ButtonSkin(WindowOps& ops);
    ButtonSkin(const ButtonSkin&) = delete;
    ButtonSkin& operator=(const ButtonSkin&) = delete;

    // Skins one button, or hooks a form or dialog box with all its descendants. 1 when the
    // window itself was newly skinned or hooked. The first call builds the atlas whatever the
    // window is.
    int attachSkin(Window w);
    // The reverse of attachSkin. 1 when the window itself was restored.
    int detachSkin(Window w);

    int skinButton(Window w);
    int unskinButton(Window w);
    int hookForm(Window w);
    int unhookForm(Window w);
    int hookChild(Window w);
    int unhookChild(Window w);

    LResult formProc(Window w, Message m, WParam wp, LParam lp);
    LResult childProc(Window w, Message m, WParam wp, LParam lp);
    LResult buttonProc(Window w, Message m, WParam wp, LParam lp);

    // Starts the fade timer unless one runs: the new timer's value, or 0.
    TimerValue startFade(Window w);
    // Stops the recorded fade timer: 1 when one was stopped.
    int stopFade(Window w);
    // Asks for one leave notice when the pointer leaves the button.
    void trackLeave(Window w);

    void buildAtlas();
    void composeFaces(Window w);
    // The window's class name, at most 255 characters, cut at the first NUL.
    std::string windowClassOf(Window w);

    bool skinReady() const { return m_skinReady; }
    bool userTrackMouseEvent() const { return m_userTrackMouseEvent; }
    Surface skinAtlas() const { return m_atlas.surface; }
    int skinnedButtonCount() const { return m_skinnedButtonCount; }
    int hookedFormCount() const { return m_hookedFormCount; }

    ProcAddr formProcAddress() const { return m_formProc; }
    ProcAddr childProcAddress() const { return m_childProc; }
    ProcAddr buttonProcAddress() const { return m_buttonProc; }

private:
    enum class Kind
    {
        Button,
        Form,
        Other
    };

    Kind kindOf(Window w);
    bool isFormClass(Window w);
    LResult passOn(Window w, Message m, WParam wp, LParam lp);
    bool hooked(Window w);
    void releaseAtlasWhenUnused();
    void fadeStep(Window w);
    void resizeFaces(Window w);
    void showFaceAtOnce(Window w, int face);
    void changeState(Window w, int face, int alpha);

    WindowOps& m_ops;
    ProcAddr m_formProc = 0;
    ProcAddr m_childProc = 0;
    ProcAddr m_buttonProc = 0;

    bool m_skinReady = false;
    bool m_userTrackMouseEvent = false;
    SkinAtlas m_atlas;
    int m_skinnedButtonCount = 0;
    int m_hookedFormCount = 0;
};

} // namespace bibliora::skin

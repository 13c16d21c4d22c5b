#include "buttonstate.h"

namespace bibliora::skin {

namespace {

constexpr int kLevelOnEnter = 70;
constexpr int kLevelOnPress = 10;
constexpr int kLevelOnSpace = 50;
constexpr int kLevelOnRelease = 0;

} // namespace

Transition transition(ButtonState now, ButtonEvent event)
{
    using E = ButtonEvent;
    if (now.face == ButtonFace::Disabled && event != E::Enabled && event != E::FocusChange)
        return {now};
    switch (event) {
    case E::PointerMove:
        if (now.mouseFlag)
            return {now};
        return {{ButtonFace::Hot, true}, kLevelOnEnter};
    case E::LeftPress:
        return {{ButtonFace::Pressed, now.mouseFlag}, kLevelOnPress};
    case E::SpacePress:
        return {{ButtonFace::Pressed, now.mouseFlag}, kLevelOnSpace};
    case E::LeftRelease:
    case E::Leave:
    case E::SpaceRelease:
        return {{ButtonFace::Normal, false}, kLevelOnRelease};
    case E::FocusChange:
        return {now, kLevelOnRelease};
    case E::Enabled:
        return {{ButtonFace::Normal, now.mouseFlag}, kNoFade, true};
    case E::Disabled:
        return {{ButtonFace::Disabled, now.mouseFlag}, kNoFade, true};
    }
    return {now};
}

int fadeSteps(int level)
{
    return level < 0 || level > 255 ? 0 : (255 - level) / kFadeStep + 1;
}

} // namespace bibliora::skin

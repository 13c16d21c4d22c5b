#pragma once

#include "buttonface.h"

namespace bibliora::skin {

// What happens to a skinned button, as far as its look is concerned.
enum class ButtonEvent
{
    PointerMove, // the pointer moved over the button, or entered it
    LeftPress,
    LeftRelease,
    Leave,
    SpacePress, // each auto-repeat too
    SpaceRelease,
    FocusChange, // gained or lost; the faces are composed again for the focus mark
    Enabled,
    Disabled,
};

// The look of a button: the face it shows or fades towards, and whether the pointer has been
// seen inside since it last left or a press ended.
struct ButtonState
{
    ButtonFace face = ButtonFace::Normal;
    bool mouseFlag = false;
};

constexpr int kNoFade = -1;
constexpr int kFadePeriodMs = 15;
constexpr int kFadeStep = 3;

// The state after an event. A fade lays the new face over the picture shown, first at level
// `fadeFrom` and then 3 higher each step; kNoFade leaves a running fade alone. `atOnce` shows
// the new face without a fade.
struct Transition
{
    ButtonState next;
    int fadeFrom = kNoFade;
    bool atOnce = false;
};

// A disabled button takes no pointer or keyboard input: it leaves Disabled only when enabled.
Transition transition(ButtonState now, ButtonEvent event);

// The steps of a fade from `level`: level, level + 3, ... up to the last level not above 255.
int fadeSteps(int level);

} // namespace bibliora::skin

#pragma once

namespace bibliora::skin {

// The face a skinned button shows. The keyboard focus is not a face: it is drawn into all four.
enum class ButtonFace : int
{
    Normal = 0,
    Hot = 1,
    Pressed = 2,
    Disabled = 3,
};

constexpr int kFaceCount = 4;

} // namespace bibliora::skin

#pragma once

#include <string_view>

namespace bibliora::skin {

// Names of the properties the skin keeps on the windows it touches. They are part of each
// window's visible state.
inline constexpr std::string_view kPropProcAddr = "PROCADDR";     // previous procedure; hooked
inline constexpr std::string_view kPropMouseFlag = "MOUSEFLAG";   // pointer seen inside
inline constexpr std::string_view kPropTimerId = "TIMERID";       // running fade timer, or 0
inline constexpr std::string_view kPropOldState = "OLDSTATE";     // the face shown now
inline constexpr std::string_view kPropAlphaLevel = "ALPHALEVEL"; // alpha of the next fade step

// Fade schedule.
inline constexpr unsigned kFadeTimerId = 1;
inline constexpr unsigned kFadePeriodMs = 15;
inline constexpr int kFadeStep = 3;
inline constexpr int kAlphaOnEnter = 70;
inline constexpr int kAlphaOnPress = 10;
inline constexpr int kAlphaOnSpace = 50;
inline constexpr int kAlphaOnRelease = 0;

} // namespace bibliora::skin

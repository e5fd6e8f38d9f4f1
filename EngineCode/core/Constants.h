// The one value of π, and the rounded conversions and π the calculations are defined with: their
// patterns depend on these exact literals, so none of them is to be "improved".
#pragma once

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kDegToRad = 0.0174532925199;    // π/180, degrees to radians
inline constexpr double kRadToDeg = 57.2957795131;      // 180/π, radians to degrees
inline constexpr double kRoundedPi = 3.14159265359;     // π of the peak shapes and their areas
inline constexpr double kRoundedTwoPi = 6.28318530718;  // 2π of the structure-factor phase

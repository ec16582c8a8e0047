#pragma once

// The Qt platform the companion draws its exports with when no window is
// shown, so that no display is needed, whatever the session has.
namespace HeadlessPlatform
{

// A value for QT_QPA_PLATFORM.
const char* name();

} // namespace HeadlessPlatform

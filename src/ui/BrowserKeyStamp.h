#pragma once

#include <QtGlobal>

#include <optional>

// In a browser Qt 6.4 stamps a key when it gets round to the event, which a
// page busy drawing can delay by far more than a lap's hundredth. The page
// keeps the browser's own time of each key going down (KeyboardEvent's
// timeStamp, taken by a listener before any other, index.html); it is on the
// same clock as the program's monotonic one (the page's performance.now()).
namespace BrowserKeyStamp
{

// The browser's time of the oldest key-down of `keyCode` (the Windows key
// code the page's event carries: 13 Return, 32 Space) not yet taken, in our
// clock's nanoseconds; earlier key-downs of other keys are dropped. Empty
// outside a browser, when the page kept none, or when the stamp is not
// credible against `nowNs` (later than now, or older than `maxAgeNs`).
std::optional<qint64> takePressNs(int keyCode, qint64 nowNs, qint64 maxAgeNs);

} // namespace BrowserKeyStamp

#include "ui/BrowserKeyStamp.h"

#ifdef Q_OS_WASM
#include <emscripten.h>

// clang-format off: it takes the script for C++.
// The page's queue holds [keyCode, timeStamp] pairs; -1 when none matches.
EM_JS(double, takeBrowserKeyDownMs, (int keyCode), {
    const queue = globalThis.quellmarkKeyDowns;
    while (queue && queue.length) {
        const down = queue.shift();
        if (down[0] == keyCode)
            return down[1];
    }
    return -1;
});
// clang-format on

namespace BrowserKeyStamp
{

std::optional<qint64> takePressNs(int keyCode, qint64 nowNs, qint64 maxAgeNs)
{
    const double ms = takeBrowserKeyDownMs(keyCode);
    if (ms < 0)
        return std::nullopt;
    const auto ns = static_cast<qint64>(ms * 1e6);
    if (ns > nowNs || nowNs - ns > maxAgeNs)
        return std::nullopt;
    return ns;
}

} // namespace BrowserKeyStamp

#else

namespace BrowserKeyStamp
{

// Desktop systems stamp their key events themselves (PressTimeEstimator).
std::optional<qint64> takePressNs(int, qint64, qint64)
{
    return std::nullopt;
}

} // namespace BrowserKeyStamp

#endif

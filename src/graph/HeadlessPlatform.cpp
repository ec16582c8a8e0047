#include "graph/HeadlessPlatform.h"

#include <QtGlobal>

namespace HeadlessPlatform
{

#ifdef Q_OS_WIN

// Qt's offscreen platform needs FreeType, which the Windows build leaves out;
// the minimal one, with its fonts on, draws text through Windows' own fonts.
const char* name()
{
    return "minimal:enable_fonts";
}

#else

const char* name()
{
    return "offscreen";
}

#endif

} // namespace HeadlessPlatform

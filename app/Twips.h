#pragma once

#include <QtGlobal>

namespace corvinel {

// Grid column widths are given in twips (1/1440 inch): 15 to a pixel at 96 dpi.
inline constexpr int kTwipsPerPixel = 15;
inline int twipsToPixels(int twips)
{
    return qRound(static_cast<double>(twips) / kTwipsPerPixel);
}

} // namespace corvinel

#pragma once

#include <QtGlobal>

namespace corvinel {

// Sizes of the old form were given in twips, 15 to a pixel.
inline constexpr int kTwipsPerPixel = 15;
inline int twipsToPixels(int twips)
{
    return qRound(static_cast<double>(twips) / kTwipsPerPixel);
}

} // namespace corvinel

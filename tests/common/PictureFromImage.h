#pragma once
// Test pictures as the picture loader hands them out: a QImage drawn by the test, copied
// into a Picture (a 32-bit bitmap of the drawing layer).

#include "imaging/Picture.h"

#include <QImage>

namespace testfiles {

// A picture holding a copy of image (null image: an empty picture).
inline Picture PictureFromImage(const QImage& image)
{
    return Picture(gdi::CreateBitmapFromImage(image));
}

} // namespace testfiles

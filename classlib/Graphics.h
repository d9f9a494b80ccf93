// Everything of the class library's drawing classes in one include:
// colours, fonts, pens, brushes, the canvas, pictures (TGraphic, TBitmap,
// TIcon, TJPEGImage, TPicture), and the program's resources.
#pragma once

#include "classlib/Bitmaps.h"
#include "classlib/Brushes.h"
#include "classlib/Canvas.h"
#include "classlib/Colors.h"
#include "classlib/Fonts.h"
#include "classlib/Graphic.h"
#include "classlib/Icons.h"
#include "classlib/JPEG.h"
#include "classlib/Pens.h"
#include "classlib/Pictures.h"
#include "classlib/Resources.h"
#include "classlib/Types.h"

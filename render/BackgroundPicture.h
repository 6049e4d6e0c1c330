#pragma once

#include <QImage>
#include <QSize>

// The picture behind the boards, Format_RGB32, at a size: at 320 x 240 the classic picture
// itself; at any other size the large picture made for high resolutions, scaled down to it.
// A null image when the program's resources lack it. Safe on any thread.
QImage BackgroundPicture(QSize size);

// Small services shared by the converter's windows: their font, centring on
// the screen and the hourglass cursor.
#pragma once

#include <QFont>
#include <QStringList>

class QWidget;

namespace transvane {

// The face every converter window uses.  "MS Sans Serif" is preferred; where
// the machine lacks it, faces of similar width follow, so that the fixed
// layout still holds its texts.  pixelHeight is the character height in
// pixels (11 for 8 point at 96 dots per inch).
QFont ConverterFont(int pixelHeight, bool bold = false);

// The largest font of at most font's pixel size (and no smaller than
// minimumHeight pixels) in which every line of lines is at most width pixels
// wide.  Keeps a fallback face from cutting off the end of a line.
QFont FitFontToWidth(QFont font, const QStringList& lines, int width, int minimumHeight = 8);

// Moves a top-level window so that its client area is centred on the
// available area of its screen.
void CentreOnScreen(QWidget& window);

// The hourglass for the lifetime of the object, the previous cursor after.
// RAII, so an exception cannot leave the application with a busy cursor.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

// The ordinary arrow for the lifetime of the object, whatever cursor was
// set: a box shown in the middle of a long operation must not look busy.
class CArrowCursor {
public:
    CArrowCursor();
    ~CArrowCursor();
    CArrowCursor(const CArrowCursor&) = delete;
    CArrowCursor& operator=(const CArrowCursor&) = delete;
};

}  // namespace transvane

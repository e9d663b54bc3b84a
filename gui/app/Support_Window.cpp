#include "gui/app/Support_Window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <QWidget>

namespace transvane {

QFont ConverterFont(int pixelHeight, bool bold) {
    QFont font;
    font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "DejaVu Sans Condensed"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

QFont FitFontToWidth(QFont font, const QStringList& lines, int width, int minimumHeight) {
    const auto widest = [&lines](const QFont& candidate) {
        const QFontMetrics metrics(candidate);
        int result = 0;
        for (const QString& line : lines)
            result = std::max(result, metrics.horizontalAdvance(line));
        return result;
    };
    while (font.pixelSize() > minimumHeight && widest(font) > width)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect area = window.rect();
    area.moveCenter(screen->availableGeometry().center());
    window.move(area.topLeft());
}

CWaitCursor::CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
CWaitCursor::~CWaitCursor() { QApplication::restoreOverrideCursor(); }

CArrowCursor::CArrowCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
CArrowCursor::~CArrowCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace transvane

#include "gui/app/Preferences_Form.h"

#include "gui/app/Support_Window.h"

namespace transvane {

TPreferencesForm::TPreferencesForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("PreferencesForm"));
    setWindowTitle(QStringLiteral("Preferences"));
    setFont(ConverterFont(11));
    resize(320, 240);
}

}  // namespace transvane

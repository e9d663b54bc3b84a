// The authoring tool's preferences window.  The converter has no settings,
// so it holds nothing; it is created at start-up like the tool's other
// windows and never shown.
#pragma once

#include <QWidget>

namespace transvane {

class TPreferencesForm final : public QWidget {
    Q_OBJECT

public:
    explicit TPreferencesForm(QWidget* parent = nullptr);
};

}  // namespace transvane

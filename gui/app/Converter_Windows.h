// The windows the converter creates at start-up, in their fixed order, and
// destroys in the reverse order at exit.  The main window comes first and
// is the only one shown; the others hold what the project model keeps in
// windows (the tree icons, and more as they arrive) and can be shown for
// inspection.
#pragma once

#include <memory>

#include "gui/app/Images_Form.h"
#include "gui/app/Main_Form.h"
#include "gui/app/Preferences_Form.h"
#include "gui/app/Progress_Form.h"
#include "gui/app/ResourceIcon_Form.h"
#include "gui/world/Help_Form.h"
#include "gui/world/Option_Form.h"
#include "gui/world/Support_ValuesDialog.h"
#include "project/Project_Main.h"

namespace transvane {

class CDialogs;

class CConverterWindows {
public:
    explicit CConverterWindows(CDialogs& dialogs);
    ~CConverterWindows();
    CConverterWindows(const CConverterWindows&) = delete;
    CConverterWindows& operator=(const CConverterWindows&) = delete;

    // The project the game information and options windows show; each
    // conversion has a project of its own.
    CProject Project;
    // Declared in the order of creation: members are built in this order
    // and destroyed in the reverse one.
    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<TImagesForm> ImagesForm;
    std::unique_ptr<THelpForm> HelpForm;
    std::unique_ptr<TResourceIconForm> ResourceIconForm;
    std::unique_ptr<TOptionForm> OptionForm;
    std::unique_ptr<TPreferencesForm> PreferencesForm;
    std::unique_ptr<TValuesDialog> ValuesDialog;
    std::unique_ptr<TProgressForm> ProgressForm;
};

}  // namespace transvane

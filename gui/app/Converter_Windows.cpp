#include "gui/app/Converter_Windows.h"

namespace transvane {

CConverterWindows::CConverterWindows(CDialogs& dialogs)
    : MainForm(std::make_unique<TMainForm>(dialogs)),
      ImagesForm(std::make_unique<TImagesForm>()),
      HelpForm(std::make_unique<THelpForm>(Project.World)),
      ResourceIconForm(std::make_unique<TResourceIconForm>()),
      OptionForm(std::make_unique<TOptionForm>(Project)),
      PreferencesForm(std::make_unique<TPreferencesForm>()),
      ValuesDialog(std::make_unique<TValuesDialog>()),
      ProgressForm(std::make_unique<TProgressForm>()) {
    // Every tree that a conversion of the window builds starts from the
    // standard images.
    MainForm->SetTreeIconsReset([this] { ResetTreeIcons(*ResourceIconForm, *ImagesForm); });
}

CConverterWindows::~CConverterWindows() {
    // The hook must not outlive the windows it reaches.
    MainForm->SetTreeIconsReset(nullptr);
}

}  // namespace transvane

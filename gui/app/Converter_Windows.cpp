#include "gui/app/Converter_Windows.h"

#include "project/Resource_Tree.h"

namespace transvane {

CConverterWindows::CConverterWindows(CDialogs& dialogs)
    : MainForm(std::make_unique<TMainForm>(dialogs)),
      ImagesForm(std::make_unique<TImagesForm>()),
      HelpForm(std::make_unique<THelpForm>()),
      ResourceIconForm(std::make_unique<TResourceIconForm>()),
      OptionForm(std::make_unique<TOptionForm>()),
      PreferencesForm(std::make_unique<TPreferencesForm>()),
      ValuesDialog(std::make_unique<TValuesDialog>()),
      ProgressForm(std::make_unique<TProgressForm>()) {
    // Every tree that is built starts from the standard images.
    SetTreeIconsReset([this] { ResetTreeIcons(*ResourceIconForm, *ImagesForm); });
}

CConverterWindows::~CConverterWindows() {
    // The hook must not outlive the windows it reaches.
    SetTreeIconsReset(nullptr);
}

}  // namespace transvane

#include "app/Converter_Windows.h"

#include "core/Resource_Tree.h"

CConverterWindows::CConverterWindows(CDialogs& dialogs)
    : MainForm(std::make_unique<TMainForm>(dialogs)),
      ImagesForm(std::make_unique<TImagesForm>()),
      ResourceIconForm(std::make_unique<TResourceIconForm>()),
      PreferencesForm(std::make_unique<TPreferencesForm>()),
      ProgressForm(std::make_unique<TProgressForm>()) {
    // Every tree that is built starts from the standard images.
    SetTreeIconsReset([this] { ResetTreeIcons(*ResourceIconForm, *ImagesForm); });
}

CConverterWindows::~CConverterWindows() {
    // The hook must not outlive the windows it reaches.
    SetTreeIconsReset(nullptr);
}

#include "app/Converter_Windows.h"

CConverterWindows::CConverterWindows(CDialogs& dialogs)
    : MainForm(std::make_unique<TMainForm>(dialogs)),
      ImagesForm(std::make_unique<TImagesForm>()),
      ResourceIconForm(std::make_unique<TResourceIconForm>()),
      PreferencesForm(std::make_unique<TPreferencesForm>()),
      ProgressForm(std::make_unique<TProgressForm>()) {}

CConverterWindows::~CConverterWindows() = default;

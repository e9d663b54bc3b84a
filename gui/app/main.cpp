// transvane: the converter window.
//
// Start-up runs in a fixed order (after the one restart that asks for huge
// pages, format/core/Support_Memory.h): the pseudo-random generator is seeded,
// the temporary folder is created, the application is titled, the windows
// are created (the main window first), the message loop runs until the main
// window closes, and the temporary folder is removed.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "gui/app/Converter_Windows.h"
#include "gui/app/Support_Dialogs.h"
#include "gui/app/Support_Feedback.h"
#include "gui/app/Support_Window.h"
#include "format/core/Support_File.h"
#include "format/core/Support_Memory.h"
#include "format/core/Support_Random.h"

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// On X11 and Wayland systems a window needs a display; without one the
// toolkit would stop with an error of its own that helps nobody.  A chosen
// platform plugin (offscreen, vnc ...) is the user's decision.
bool DisplayMissing() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    return !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !IsSet("QT_QPA_PLATFORM");
#else
    return false;
#endif
}

const char* const NoDisplayText =
    "transvane: the converter window needs a graphical display, and none was found\n"
    "(neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
    "\n"
    "To convert a file without a window, use the command-line tool:\n"
    "\n"
    "    transvane-cli convert OLD.vtr NEW.vtr\n"
    "\n"
    "It reads OLD.vtr (or a backup .vk1 .. .vk9) and writes the version 5 project\n"
    "NEW.vtr, keeping an existing NEW.vtr as NEW.vk1.  \"transvane-cli --help\" says more.\n";

}  // namespace

int main(int argc, char** argv) {
    if (DisplayMissing()) {
        std::fputs(NoDisplayText, stderr);
        return EXIT_FAILURE;
    }

    PreferHugePages(argv);
    Randomize();

    // The application object exists before the temporary folder is made,
    // because the folder's one message needs a box; the title comes after.
    QApplication application(argc, argv);
    CStandardDialogs dialogs;
    CWindowFeedback feedback(dialogs);
    CFeedbackGuard feedbackGuard(feedback);
    CreateTempFolder();

    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(TRANSVANE_VERSION));
    int result = EXIT_SUCCESS;
    {
        CConverterWindows windows(dialogs);
        feedback.AttachWindows(windows.MainForm.get(), windows.ProgressForm.get());
        CentreOnScreen(*windows.MainForm);
        windows.MainForm->show();
        result = QApplication::exec();
        feedback.AttachWindows(nullptr, nullptr);
    }

    RemoveTempFolder();
    return result;
}

// transvane: the converter window.
//
// "--help" and "--version" are answered first, without a display.  Then
// start-up runs in a fixed order (after the one restart that asks for huge
// pages, format/core/Support_Memory.h): the pseudo-random generator is seeded,
// the temporary folder is created, the application is titled, the windows
// are created (the main window first), the message loop runs until the main
// window closes, and the temporary folder is removed.  A file given on the
// command line is converted as soon as the main window is up.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "gui/app/Converter_Windows.h"
#include "gui/app/Support_CommandLine.h"
#include "gui/app/Support_Dialogs.h"
#include "gui/app/Support_Feedback.h"
#include "gui/app/Support_Window.h"
#include "format/core/Support_File.h"
#include "format/core/Support_Memory.h"
#include "format/core/Support_Random.h"
#include "format/core/Support_SafeSave.h"

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
    "NEW.vtr; with --force it replaces an existing NEW.vtr, keeping it as NEW.vk1.\n"
    "\"transvane-cli --help\" says more.\n";

// The arguments as the toolkit decodes them, before it has taken its own.
QStringList RawArguments(int argc, char** argv) {
    QStringList arguments;
    for (int index = 1; index < argc; ++index)
        arguments << QString::fromLocal8Bit(argv[index]);
    return arguments;
}

int PrintUsageError(const QString& problem) {
    std::fprintf(stderr, "transvane: %s\nTry 'transvane --help'.\n", qPrintable(problem));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Help and version need neither a display nor the toolkit.
    const CWindowArguments early = ParseWindowArguments(RawArguments(argc, argv));
    if (early.What == CWindowArguments::EWhat::Help) {
        std::fputs(qPrintable(WindowUsage()), stdout);
        return EXIT_SUCCESS;
    }
    if (early.What == CWindowArguments::EWhat::Version) {
        std::puts("transvane " TRANSVANE_VERSION);
        return EXIT_SUCCESS;
    }

    if (DisplayMissing()) {
        std::fputs(NoDisplayText, stderr);
        return EXIT_FAILURE;
    }

    PreferHugePages(argv);
    Randomize();
    // Ended by a signal (a terminal's Ctrl-C, the session's end), the window
    // leaves no temporary file of a save behind; the target stays as it was.
    HandleInterruptions(nullptr);

    // The application object exists before the temporary folder is made,
    // because the folder's one message needs a box; the title comes after.
    QApplication application(argc, argv);
    // Now without the toolkit's own options.
    const CWindowArguments arguments = ParseWindowArguments(QApplication::arguments().mid(1));
    if (arguments.What == CWindowArguments::EWhat::UsageError)
        return PrintUsageError(arguments.Problem);
    CStandardDialogs dialogs;
    CWindowFeedback feedback(dialogs);
    CFeedbackGuard feedbackGuard(feedback);
    CreateTempFolder();

    // The names also place the user's settings (the remembered folder).
    QApplication::setOrganizationName(ApplicationTitle);
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(TRANSVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("transvane"));
    int result = EXIT_SUCCESS;
    {
        CConverterWindows windows(dialogs);
        feedback.AttachWindows(windows.MainForm.get(), windows.ProgressForm.get());
        CentreOnScreen(*windows.MainForm);
        windows.MainForm->show();
        if (!arguments.File.isEmpty()) {
            TMainForm* mainForm = windows.MainForm.get();
            QTimer::singleShot(0, mainForm, [mainForm, file = arguments.File] { mainForm->ConvertFile(file); });
        }
        result = QApplication::exec();
        feedback.AttachWindows(nullptr, nullptr);
    }

    RemoveTempFolder();
    return result;
}

// transvane: the converter window.
//
// "--help" and "--version" are answered first, without a display.  Then
// start-up runs in a fixed order: the handlers of SIGBUS and of the
// interruption signals are installed, the temporary folder is created, the
// application is titled, the windows are created (the main window first),
// the message loop runs until the main window closes, and the temporary
// folder is removed.  A file given on the command line is converted as soon
// as the main window is up.
//
// Ended by SIGINT, SIGTERM or SIGHUP, the window quits as if the user had
// closed it (a load or save under way finishes first), also while a dialog
// or message box is open, so the temporary folder goes too; the status is
// then 128 + the signal's number.  A second
// signal while the first waits ends the program at once, removing the
// temporary files of the save under way and the temporary folder.
#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include "cli/Support_Signals.h"
#include "gui/app/Converter_Windows.h"
#include "gui/app/Support_CommandLine.h"
#include "gui/app/Support_Dialogs.h"
#include "gui/app/Support_Feedback.h"
#include "gui/app/Support_Window.h"
#include "format/core/Support_File.h"
#include "format/core/Support_PendingFiles.h"
#include "format/core/Support_SafeSave.h"

namespace transvane {

namespace {

// What the signal handlers reach: the temporary files of the save under
// way, the pipe that wakes the message loop, and the temporary folder's
// name for the last resort.
CPendingFiles PendingFiles;
int QuitPipe[2] = {-1, -1};
std::atomic<int> Interruptions{0};
char TempFolderName[CPendingFiles::NameSize] = "";

void OnInterrupt(int signal) {
    if (Interruptions.fetch_add(1) == 0) {
        // The message loop reads the signal's number and quits.
        const auto number = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t put = ::write(QuitPipe[1], &number, 1);
        return;
    }
    PendingFiles.Stop();
    PendingFiles.RemoveAll();
    if (TempFolderName[0] != '\0')
        ::rmdir(TempFolderName);
    ::_exit(128 + signal);
}

// Installs the handlers; false when the pipe cannot be made, and the
// interruption signals then end the window as they would anyway.
bool HandleSignals() {
    HandleMappedFileFaults();
    if (::pipe2(QuitPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    HandleInterruptions(OnInterrupt, SA_RESTART);  // the toolkit's calls carry on
    return true;
}

// Quits as the user would, from any state.  A load or save under way
// finishes first (the main window asks nothing further and closes after
// it).  A modal dialog runs an event loop of its own, and while it is open
// the windows beneath refuse to close: every dialog open now is answered as
// Escape would answer it, and ending all event loops makes each dialog
// asked for later (the next message of a load ...) return at once.
void Leave(TMainForm* mainForm) {
    if (mainForm != nullptr)
        mainForm->CloseWhenDone();
    for (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr;) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->hide();
        QWidget* next = QApplication::activeModalWidget();
        if (next == modal)
            break;  // it would not go; the loops end below all the same
        modal = next;
    }
    QApplication::exit(EXIT_SUCCESS);
}

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

}  // namespace transvane

using namespace transvane;

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

    const bool signalsHandled = HandleSignals();

    // The application object exists before the temporary folder is made,
    // because the folder's one message needs a box; the title comes after.
    QApplication application(argc, argv);
    int interruptedBy = 0;
    TMainForm* mainForm = nullptr;  // while the windows exist
    std::unique_ptr<QSocketNotifier> quitRequests;
    if (signalsHandled) {
        quitRequests = std::make_unique<QSocketNotifier>(QuitPipe[0], QSocketNotifier::Read);
        QObject::connect(quitRequests.get(), &QSocketNotifier::activated, &application, [&interruptedBy, &mainForm] {
            unsigned char number = 0;
            if (::read(QuitPipe[0], &number, 1) == 1 && interruptedBy == 0)
                interruptedBy = number;
            Leave(mainForm);
        });
    }
    // Now without the toolkit's own options.
    const CWindowArguments arguments = ParseWindowArguments(QApplication::arguments().mid(1));
    if (arguments.What == CWindowArguments::EWhat::UsageError)
        return PrintUsageError(arguments.Problem);
    CStandardDialogs dialogs;
    CWindowFeedback feedback(dialogs);
    const CTempFolder tempFolder(&feedback);
    if (tempFolder.Path().size() < sizeof TempFolderName)
        std::memcpy(TempFolderName, tempFolder.Path().c_str(), tempFolder.Path().size() + 1);

    // The names also place the user's settings (the remembered folder).
    QApplication::setOrganizationName(ApplicationTitle);
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(TRANSVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("transvane"));
    int result = EXIT_SUCCESS;
    {
        CConverterWindows windows(dialogs);
        windows.MainForm->SetPendingFiles(&PendingFiles);
        windows.MainForm->SetFeedback(&feedback);
        feedback.AttachWindows(windows.MainForm.get(), windows.ProgressForm.get());
        CentreOnScreen(*windows.MainForm);
        windows.MainForm->show();
        mainForm = windows.MainForm.get();
        if (!arguments.File.isEmpty())
            QTimer::singleShot(0, mainForm, [mainForm, file = arguments.File] { mainForm->ConvertFile(file); });
        result = QApplication::exec();
        mainForm = nullptr;
        feedback.AttachWindows(nullptr, nullptr);
    }

    return interruptedBy != 0 ? 128 + interruptedBy : result;
}

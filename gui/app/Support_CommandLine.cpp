#include "gui/app/Support_CommandLine.h"

#include <QUrl>

namespace transvane {

namespace {

CWindowArguments UsageError(const QString& problem) {
    CWindowArguments result;
    result.What = CWindowArguments::EWhat::UsageError;
    result.Problem = problem;
    return result;
}

QString LocalFileName(const QString& argument) {
    if (argument.startsWith(QStringLiteral("file:"))) {
        const QUrl address(argument);
        if (address.isLocalFile())
            return address.toLocalFile();
    }
    return argument;
}

}  // namespace

CWindowArguments ParseWindowArguments(const QStringList& arguments) {
    QStringList files;
    QString unknownOption;
    bool optionsEnded = false;
    bool help = false;
    bool version = false;
    for (const QString& argument : arguments) {
        if (optionsEnded || argument == QStringLiteral("-") || !argument.startsWith(QLatin1Char('-')))
            files << argument;
        else if (argument == QStringLiteral("--"))
            optionsEnded = true;
        else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h"))
            help = true;
        else if (argument == QStringLiteral("--version"))
            version = true;
        else if (unknownOption.isEmpty())
            unknownOption = argument;
    }

    CWindowArguments result;
    if (help) {
        result.What = CWindowArguments::EWhat::Help;
        return result;
    }
    if (version) {
        result.What = CWindowArguments::EWhat::Version;
        return result;
    }
    if (!unknownOption.isEmpty())
        return UsageError(QStringLiteral("unknown option '%1'").arg(unknownOption));
    if (files.size() > 1)
        return UsageError(QStringLiteral("one file at a time, not %1").arg(files.size()));
    // The window needs a real file: its backup and its safe rename sit beside it.
    if (!files.isEmpty() && files.front() == QStringLiteral("-"))
        return UsageError(QStringLiteral("'-' is not a file the window can convert"));
    if (!files.isEmpty())
        result.File = LocalFileName(files.front());
    return result;
}

QString WindowUsage() {
    return QStringLiteral(
        "Usage: transvane [FILE]\n"
        "       transvane --help | --version\n"
        "\n"
        "Opens the converter window.  Click Convert (or drop a project file onto the\n"
        "window) to convert a Vantrel project file of format version 400 to 500\n"
        "(.vtr, or a backup .vk1 .. .vk9) into a version-500 file.\n"
        "\n"
        "With FILE, the window converts FILE at once: it loads it and asks for the\n"
        "name of the new file, as after a click on Convert.\n"
        "\n"
        "  -h, --help     print this help and exit\n"
        "      --version  print the version and exit\n"
        "\n"
        "The window needs a graphical display; the toolkit's own options (-platform,\n"
        "-style ...) are understood as well.  To convert without a window, use\n"
        "transvane-cli; \"transvane-cli --help\" says more.\n");
}

}  // namespace transvane

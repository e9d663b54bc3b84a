// The arguments of the converter window: an optional project file to
// convert at once, or a request for the help or the version.
#pragma once

#include <QString>
#include <QStringList>

namespace transvane {

struct CWindowArguments {
    enum class EWhat { Run, Help, Version, UsageError };
    EWhat What = EWhat::Run;
    // The file to convert at start-up; empty for none.
    QString File;
    // What is wrong, for a usage error: one line without the program name.
    QString Problem;
};

// Reads the arguments after the program name.  "--help" (or "-h") and
// "--version" win wherever they stand before "--", which ends the options.
// A file may be given as a path or as a file: address, as launchers do.
CWindowArguments ParseWindowArguments(const QStringList& arguments);

// What "transvane --help" prints.
QString WindowUsage();

}  // namespace transvane

#include "gui/app/Support_Batch.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace transvane {

namespace {

struct CFound {
    QString File;
    QString Relative;  // the folder under the output folder, "" for none
};

// Folders stand for their .vtr files, in a stable order.
std::vector<CFound> Expand(const QStringList& given) {
    std::vector<CFound> found;
    QSet<QString> seen;
    const auto add = [&](const QString& file, const QString& relative) {
        const QString key = QFileInfo(file).absoluteFilePath();
        if (!seen.contains(key)) {
            seen.insert(key);
            found.push_back({key, relative});
        }
    };
    for (const QString& path : given) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            add(path, QString());
            continue;
        }
        const QDir root(info.absoluteFilePath());
        QStringList files;
        QDirIterator walk(root.path(), {QStringLiteral("*.vtr")}, QDir::Files, QDirIterator::Subdirectories);
        while (walk.hasNext())
            files << walk.next();
        files.sort();
        for (const QString& file : files)
            add(file, root.relativeFilePath(QFileInfo(file).path()));
    }
    return found;
}

// Case is ignored where the file system ignores it.
QString Key(const QString& file) {
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    return QDir::cleanPath(file).toCaseFolded();
#else
    return QDir::cleanPath(file);
#endif
}

}  // namespace

int BackupNumber(const QString& file) {
    static const QRegularExpression backup(QStringLiteral("\\.vk([1-9])$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = backup.match(file);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QString ProjectOf(const QString& backup) {
    const QFileInfo info(backup);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".vtr"));
}

std::vector<CBatchItem> PlanBatch(const QStringList& given, const QString& folder) {
    const std::vector<CFound> found = Expand(given);
    QSet<QString> sources;
    for (const CFound& file : found)
        sources.insert(Key(file.File));

    std::vector<CBatchItem> items;
    QHash<QString, QString> takenBy;
    for (const CFound& file : found) {
        CBatchItem item;
        item.Source = file.File;
        const QDir under(QDir(folder).filePath(file.Relative));
        item.Output = QDir::cleanPath(under.filePath(QFileInfo(file.File).completeBaseName() + QStringLiteral(".vtr")));
        const QString project = ProjectOf(file.File);
        if (BackupNumber(file.File) > 0 && sources.contains(Key(project))) {
            item.Outcome = CBatchItem::EOutcome::Skipped;
            item.Lines << QStringLiteral("skipped: backup of %1").arg(QFileInfo(project).fileName());
        } else if (takenBy.contains(Key(item.Output))) {
            item.Outcome = CBatchItem::EOutcome::Failed;
            item.Lines << QStringLiteral("Not converted: its output %1 is already the output of %2.")
                              .arg(item.Output, takenBy.value(Key(item.Output)));
        } else if (Key(item.Output) != Key(item.Source) && sources.contains(Key(item.Output))) {
            item.Outcome = CBatchItem::EOutcome::Failed;
            item.Lines << QStringLiteral("Not converted: its output %1 would replace the source file %1.")
                              .arg(item.Output);
        } else {
            takenBy.insert(Key(item.Output), item.Source);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<CBatchItem*> ExistingOutputs(std::vector<CBatchItem>& items) {
    std::vector<CBatchItem*> existing;
    for (CBatchItem& item : items)
        if (item.Outcome == CBatchItem::EOutcome::Pending && QFileInfo::exists(item.Output) &&
            Key(item.Output) != Key(item.Source))
            existing.push_back(&item);
    return existing;
}

namespace {

using EOutcome = CBatchItem::EOutcome;

qsizetype Count(const std::vector<CBatchItem>& items, EOutcome outcome) {
    return std::count_if(items.begin(), items.end(), [&](const CBatchItem& item) { return item.Outcome == outcome; });
}

}  // namespace

QString BatchCounts(const std::vector<CBatchItem>& items) {
    const qsizetype withWarnings = std::count_if(items.begin(), items.end(), [](const CBatchItem& item) {
        return item.Outcome == EOutcome::Converted && item.Warnings > 0;
    });
    QStringList parts;
    if (const qsizetype converted = Count(items, EOutcome::Converted); converted > 0)
        parts << (withWarnings > 0 ? QStringLiteral("%1 converted (%2 with warnings)").arg(converted).arg(withWarnings)
                                   : QStringLiteral("%1 converted").arg(converted));
    const std::pair<EOutcome, const char*> others[] = {
        {EOutcome::Unchanged, "unchanged"}, {EOutcome::Skipped, "skipped"},
        {EOutcome::Failed, "failed"},       {EOutcome::NotStarted, "not started"}};
    for (const auto& [outcome, word] : others)
        if (const qsizetype count = Count(items, outcome); count > 0)
            parts << QStringLiteral("%1 %2").arg(count).arg(QLatin1String(word));
    return parts.join(QStringLiteral(", "));
}

QString BatchSummary(const std::vector<CBatchItem>& items) {
    QStringList lines{BatchCounts(items)};
    for (const CBatchItem& item : items)
        if (item.Outcome == EOutcome::Failed)
            lines << item.Source;
    return lines.join(QLatin1Char('\n'));
}

namespace {

// The first line of a file in the details.
QString Heading(const CBatchItem& item) {
    switch (item.Outcome) {
    case EOutcome::Converted:
        if (item.Warnings == 0)
            return QStringLiteral("%1: converted to %2").arg(item.Source, item.Output);
        return QStringLiteral("%1: converted to %2 (%3 %4)")
            .arg(item.Source, item.Output)
            .arg(item.Warnings)
            .arg(item.Warnings == 1 ? QStringLiteral("warning") : QStringLiteral("warnings"));
    case EOutcome::Unchanged:
        return QStringLiteral("%1 was already version 5; left unchanged").arg(item.Source);
    case EOutcome::Failed:
        return item.Source + QStringLiteral(": failed");
    case EOutcome::NotStarted:
        return item.Source + QStringLiteral(": not started");
    case EOutcome::Skipped:
    case EOutcome::Pending:
        break;
    }
    return item.Source + QStringLiteral(":");
}

}  // namespace

QString BatchDetails(const std::vector<CBatchItem>& items) {
    QStringList lines;
    for (const CBatchItem& item : items) {
        // A skipped file's one line is its reason.
        if (item.Outcome == EOutcome::Skipped && item.Lines.size() == 1) {
            lines << item.Source + QStringLiteral(": ") + item.Lines.front();
            continue;
        }
        lines << Heading(item);
        for (const QString& line : item.Lines)
            lines << QStringLiteral("  ") + line;
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace transvane

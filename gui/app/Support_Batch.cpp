#include "gui/app/Support_Batch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <set>
#include <string>

#include "format/core/Support_Report.h"
#include "project/Batch_Plan.h"

namespace transvane {

namespace {

// File names go to the core in the file system's own encoding.
std::string ToCore(const QString& name) { return QFile::encodeName(name).toStdString(); }

QString FromCore(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

}  // namespace

std::vector<CBatchItem> PlanBatch(const QStringList& given, const QString& folder) {
    std::vector<std::string> operands;
    for (const QString& path : given)
        operands.push_back(ToCore(path));
    // Outputs that exist are replaced, each kept as its backup, once the
    // user has said yes to them all (ExistingOutputs).
    const CBatchRules rules{ToCore(folder), true, false};
    std::vector<CBatchItem> items;
    for (const CBatchPlan& plan : PlanBatch(operands, rules)) {
        CBatchItem item;
        item.Source = FromCore(plan.Source);
        item.Output = FromCore(plan.Output);
        item.Replaces = plan.Replaces;
        if (!plan.Skip.empty()) {
            item.Outcome = CBatchItem::EOutcome::Skipped;
            item.Lines << QStringLiteral("skipped: ") + FromCore(plan.Skip);
        } else if (!plan.Yields.empty()) {
            item.Yields = plan.Yields;
        } else if (!plan.Refusal.empty()) {
            item.Outcome = CBatchItem::EOutcome::Failed;
            item.Lines << FromCore(plan.Refusal);
            for (const std::string& line : plan.Context)
                item.Lines << FromCore(line);
        }
        items.push_back(std::move(item));
    }
    return items;
}

bool RefuseIfOutputTaken(std::vector<CBatchItem>& items, std::size_t index) {
    CBatchItem& item = items[index];
    for (const std::size_t earlier : item.Yields) {
        const CBatchItem::EOutcome outcome = items[earlier].Outcome;
        if (outcome == CBatchItem::EOutcome::Converted || outcome == CBatchItem::EOutcome::Unchanged) {
            item.Outcome = CBatchItem::EOutcome::Failed;
            item.Lines << FromCore(OutputTaken(ToCore(item.Output), ToCore(items[earlier].Source)));
            return true;
        }
    }
    return false;
}

QString OneLineOf(const QString& text) { return QString::fromStdString(OneLine(text.toStdString())); }

std::size_t FilesToTry(const std::vector<CBatchItem>& items) {
    const auto writes = [&](std::size_t earlier) {
        const CBatchItem::EOutcome outcome = items[earlier].Outcome;
        return outcome == CBatchItem::EOutcome::Pending || outcome == CBatchItem::EOutcome::Converted ||
               outcome == CBatchItem::EOutcome::Unchanged;
    };
    return static_cast<std::size_t>(std::count_if(items.begin(), items.end(), [&](const CBatchItem& item) {
        return item.Outcome == CBatchItem::EOutcome::Pending &&
               std::none_of(item.Yields.begin(), item.Yields.end(), writes);
    }));
}

std::size_t OutputCount(const std::vector<CBatchItem*>& items) {
    std::set<QString> outputs;
    for (const CBatchItem* item : items)
        outputs.insert(item->Output);
    return outputs.size();
}

std::vector<CBatchItem*> ExistingOutputs(std::vector<CBatchItem>& items) {
    std::vector<CBatchItem*> existing;
    for (CBatchItem& item : items)
        if (item.Outcome == CBatchItem::EOutcome::Pending && item.Replaces)
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
    const std::pair<EOutcome, const char*> others[] = {{EOutcome::Unchanged, "unchanged"},
                                                       {EOutcome::Skipped, "skipped"},
                                                       {EOutcome::Failed, "failed"},
                                                       {EOutcome::NotStarted, "not started"}};
    for (const auto& [outcome, word] : others)
        if (const qsizetype count = Count(items, outcome); count > 0)
            parts << QStringLiteral("%1 %2").arg(count).arg(QLatin1String(word));
    return parts.join(QStringLiteral(", "));
}

QString BatchSummary(const std::vector<CBatchItem>& items) {
    QStringList lines{BatchCounts(items)};
    for (const CBatchItem& item : items)
        if (item.Outcome == EOutcome::Failed)
            lines << OneLineOf(item.Source);
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
    case EOutcome::Unchanged: return QStringLiteral("%1 was already version 5; left unchanged").arg(item.Source);
    case EOutcome::Failed: return item.Source + QStringLiteral(": failed");
    case EOutcome::NotStarted: return item.Source + QStringLiteral(": not started");
    case EOutcome::Skipped:
    case EOutcome::Pending: break;
    }
    return item.Source + QStringLiteral(":");
}

}  // namespace

QString BatchDetails(const std::vector<CBatchItem>& items) {
    QStringList lines;
    for (const CBatchItem& item : items) {
        // A skipped file's one line is its reason.
        if (item.Outcome == EOutcome::Skipped && item.Lines.size() == 1) {
            lines << OneLineOf(item.Source + QStringLiteral(": ") + item.Lines.front());
            continue;
        }
        lines << OneLineOf(Heading(item));
        for (const QString& line : item.Lines)
            lines << QStringLiteral("  ") + OneLineOf(line);
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace transvane

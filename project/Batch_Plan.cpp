#include "project/Batch_Plan.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <system_error>

#include "format/core/Support_File.h"
#include "format/core/Support_Platform.h"
#include "format/core/Support_SafeSave.h"

namespace transvane {

namespace fs = std::filesystem;

namespace {

// The extension in lower case: projects copied from Windows may be
// GAME.VTR.
std::string LowerExtension(const fs::path& name) { return CaseFolded(NameOf(name.extension())); }

bool IsProjectName(const fs::path& name) { return LowerExtension(name) == ".vtr"; }

constexpr int BackupsKept = 9;

// One file of the run, as the walk found it.
struct CFound {
    std::string Source;
    std::string Relative;              // its output's path in the output folder ("sub/game.vtr"); empty: no file name
    std::vector<std::string> Problem;  // a folder that gave nothing to convert: the message, then its context
    std::string Passed;                // why a folder's walk left it out; empty for a file to convert
};

// The files of a run, from its operands.  A folder seen before is passed
// by: a symbolic link back up the tree would otherwise never end.
class CSourceWalk {
public:
    explicit CSourceWalk(const std::string& outputDir) : FOutputDir(FileIdentity(outputDir)) {}

    std::vector<CFound> Collect(const std::vector<std::string>& operands) {
        for (const std::string& operand : operands) {
            std::error_code error;
            if (fs::is_directory(PathOf(operand), error))
                AddFolder(operand);
            else
                AddFile(operand);
        }
        return std::move(FFiles);
    }

private:
    void AddFile(const std::string& name) {
        const fs::path leaf = PathOf(name).filename();
        // A name without a file part ("gone/", "..") is left to the load,
        // which says what is wrong with it.
        const bool named = !leaf.empty() && leaf != "." && leaf != "..";
        FFiles.push_back({name, named ? ProjectNameOf(NameOf(leaf)) : std::string(), {}, {}});
    }

    void AddFolder(const std::string& folder) {
        const std::size_t before = FConvertible;
        if (const std::optional<CFileIdentity> id = FileIdentity(folder))
            FSeen.insert(*id);
        Walk(PathOf(folder), {});
        // A folder that holds nothing to convert is most likely the wrong
        // folder: saying nothing would look like success.
        if (FConvertible == before)
            FFiles.push_back({folder, {}, {"Not converted: the folder holds no .vtr file."}, {}});
    }

    // Why a walk leaves out a file named as a project or a backup; empty
    // for a project to convert.  Backups in a folder are not converted
    // unless named: a backup picked by mistake would take its project's
    // output.  Whatever is not an ordinary file is never opened.
    static std::string PassedBy(const fs::directory_entry& entry, const fs::file_status& status) {
        std::error_code error;
        if (fs::is_symlink(entry.symlink_status(error)) && !fs::exists(status))
            return "a link that leads nowhere";
        if (!fs::is_regular_file(status))
            return "not an ordinary file (a FIFO, device or socket)";
        return IsBackupName(NameOf(entry.path())) ? "a backup; name it to convert it" : std::string();
    }

    void Walk(const fs::path& folder, const fs::path& inside) {
        std::vector<fs::directory_entry> entries;
        std::error_code error;
        for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
            entries.push_back(*entry);
        if (error) {
            FFiles.push_back(
                {NameOf(folder),
                 {},
                 {"Not converted: the folder cannot be read.", "file: " + NameOf(folder), "cause: " + error.message()},
                 {}});
            return;
        }
        std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
            return a.path().filename().native() < b.path().filename().native();
        });
        for (const fs::directory_entry& entry : entries) {
            const fs::path name = entry.path().filename();
            std::error_code statError;
            const fs::file_status status = entry.status(statError);  // through links
            if (fs::is_directory(status)) {
                const std::optional<CFileIdentity> id = FileIdentity(NameOf(entry.path()));
                if (id && id != FOutputDir && FSeen.insert(*id).second)
                    Walk(entry.path(), inside / name);
            } else if (IsProjectName(name) || IsBackupName(NameOf(name))) {
                std::string passed = PassedBy(entry, status);
                FConvertible += passed.empty() ? 1 : 0;
                FFiles.push_back({NameOf(entry.path()),
                                  NameOf(inside / PathOf(ProjectNameOf(NameOf(name)))),
                                  {},
                                  std::move(passed)});
            }
        }
    }

    const std::optional<CFileIdentity> FOutputDir;
    std::set<CFileIdentity> FSeen;
    std::vector<CFound> FFiles;
    std::size_t FConvertible = 0;  // files found in folders to convert
};

// The planning of one run: the files as they are before anything is
// written, so that no output or backup of the run can replace one of them.
class CPlanner {
public:
    CPlanner(std::vector<CFound> files, CBatchRules rules) : FFiles(std::move(files)), FRules(std::move(rules)) {
        for (CFound& file : FFiles) {
            FIds.push_back(file.Passed.empty() ? FileIdentity(file.Source) : std::nullopt);
            if (!FIds.back())
                continue;
            // A file named twice for one output (or named and found in a
            // folder given, or spelt another way) is converted once: the
            // repeat is passed by.  A link of another name is converted
            // under its own name, as before.
            const auto [first, last] = FById.equal_range(*FIds.back());
            const auto same = std::find_if(first, last, [&](const auto& earlier) {
                return CaseFolded(FFiles[earlier.second].Relative) == CaseFolded(file.Relative);
            });
            if (same != last) {
                file.Passed = "the same file as " + FFiles[same->second].Source;
                FIds.back().reset();
                continue;
            }
            FById.emplace(*FIds.back(), FIds.size() - 1);
        }
    }

    std::vector<CBatchPlan> Plan() {
        std::vector<CBatchPlan> plans(FFiles.size());
        for (std::size_t i = 0; i < plans.size(); ++i) {
            plans[i].Source = FFiles[i].Source;
            plans[i].PassedBy = !FFiles[i].Passed.empty();
            if (const std::optional<std::size_t> project = ProjectInRun(i))
                plans[i].Skip = "backup of " + FFiles[*project].Source;
            else
                plans[i].Skip = FFiles[i].Passed;
        }
        for (const bool backups : {false, true})
            for (std::size_t i = 0; i < plans.size(); ++i)
                if (IsBackupName(FFiles[i].Source) == backups && plans[i].Skip.empty())
                    Plan(i, plans);
        return plans;
    }

private:
    // For a backup (NAME.vk3), the file of the run that is its project
    // (NAME.vtr in the same folder), if any.
    std::optional<std::size_t> ProjectInRun(std::size_t backup) const {
        if (!IsBackupName(FFiles[backup].Source))
            return std::nullopt;
        const std::optional<CFileIdentity> project = FileIdentity(ProjectNameOf(FFiles[backup].Source));
        if (!project)
            return std::nullopt;
        const auto [first, last] = FById.equal_range(*project);
        for (auto named = first; named != last; ++named)
            if (!IsBackupName(FFiles[named->second].Source))
                return named->second;
        return std::nullopt;
    }

    void Plan(std::size_t i, std::vector<CBatchPlan>& plans) {
        CBatchPlan& plan = plans[i];
        const CFound& file = FFiles[i];
        if (!file.Problem.empty()) {
            plan.Refusal = file.Problem.front();
            plan.Context.assign(file.Problem.begin() + 1, file.Problem.end());
            return;
        }
        if (file.Relative.empty()) {
            plan.LoadOnly = true;
            return;
        }
        const std::string output = NameOf(PathOf(FRules.OutputDir) / PathOf(file.Relative));
        // Converted onto itself (the output folder is its own folder), a
        // file keeps its old content as a backup, as the single form does.
        const std::optional<CFileIdentity> outputId = FileIdentity(output);
        const bool inPlace = outputId && outputId == FIds[i] && FById.count(*outputId) == 1;
        const bool exists = ResolveSaveTarget(output).Kind == ESaveTargetKind::File;
        if (FRules.SkipExisting && exists && !inPlace) {
            plan.Skip = output + " already exists";
            return;
        }
        if (const std::optional<std::size_t> replaced = SourceAt(outputId, plans); replaced && !inPlace) {
            plan.Refusal = "Not converted: its output " + output + " would replace the source file " +
                           FFiles[*replaced].Source + "; choose another output folder.";
            return;
        }
        // Saving over an existing output moves its backups down one place,
        // those up to the first free number only; with none free the second
        // oldest is replaced, and the oldest never.  Where their spelling
        // clashes the save refuses, and moves none.
        const CSpeltSeries backups = exists ? SpeltSeries(output, {".vk", BackupsKept}) : CSpeltSeries{};
        for (int n = 1; exists && backups.Clash.empty() && n < BackupsKept; ++n) {
            const std::string backup = ChangeFileExt(output, backups.Series.Extension + std::to_string(n));
            if (KindOfName(backup) == ENameKind::Missing)
                break;
            if (const std::optional<std::size_t> replaced = SourceAt(FileIdentity(backup), plans)) {
                plan.Refusal = "Not converted: the backup of " + output + " would replace the source file " +
                               FFiles[*replaced].Source + "; choose another output folder.";
                return;
            }
        }
        // The user may have named a project that is not the run's to
        // replace: only --force says otherwise.
        if (!FRules.Force && exists && !inPlace) {
            plan.Refusal = "Not converted: its output " + output +
                           " already exists; use --force to replace it, or --skip-existing to leave it.";
            return;
        }
        plan.Output = output;
        plan.Replaces = exists && !inPlace;
        // The first file that will be written there owns the name; a file
        // refused or skipped writes nothing and claims nothing.  Whether
        // the owner writes is known only once it is loaded: the files after
        // it wait for that and take the name when it wrote nothing.  A file
        // given before its owner (a backup before a project) cannot wait
        // and is refused.
        std::vector<std::size_t>& claimants = FOutputOwners[CaseFolded(file.Relative)];
        if (!claimants.empty()) {
            plan.Refusal = OutputTaken(output, FFiles[claimants.front()].Source);
            if (std::all_of(claimants.begin(), claimants.end(), [i](std::size_t claimant) { return claimant < i; }))
                plan.Yields = claimants;
        }
        claimants.push_back(i);
    }

    // The file of the run, read and not skipped, that id names.
    std::optional<std::size_t> SourceAt(const std::optional<CFileIdentity>& id,
                                        const std::vector<CBatchPlan>& plans) const {
        if (!id)
            return std::nullopt;
        const auto [first, last] = FById.equal_range(*id);
        for (auto named = first; named != last; ++named)
            if (plans[named->second].Skip.empty())
                return named->second;
        return std::nullopt;
    }

    std::vector<CFound> FFiles;
    const CBatchRules FRules;
    std::vector<std::optional<CFileIdentity>> FIds;
    std::multimap<CFileIdentity, std::size_t> FById;  // in the order of the files
    // Output name, in lower case -> the files planned for it.  Names that
    // differ only in case are one file where the system ignores case (a
    // Windows disk, a USB stick), and a folder converted here may go there.
    std::map<std::string, std::vector<std::size_t>> FOutputOwners;
};

}  // namespace

std::string OutputTaken(const std::string& output, const std::string& owner) {
    return "Not converted: its output " + output + " is already the output of " + owner + ".";
}

std::string ProjectNameOf(const std::string& name) {
    return IsProjectName(PathOf(name)) ? name : ChangeFileExt(name, ExtensionInCaseOf(name, ".vtr"));
}

bool IsBackupName(const std::string& name) {
    const std::string extension = LowerExtension(name);
    return extension.size() == 4 && extension.starts_with(".vk") && extension[3] >= '1' && extension[3] <= '9';
}

std::vector<CBatchPlan> PlanBatch(const std::vector<std::string>& operands, const CBatchRules& rules) {
    return CPlanner(CSourceWalk(rules.OutputDir).Collect(operands), rules).Plan();
}

}  // namespace transvane

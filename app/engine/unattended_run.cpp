#include "engine/unattended_run.h"

#include "companion/diz_numbering.h"
#include "companion/zip_comment.h"
#include "engine/rip_run.h"
#include "engine/window_port.h"
#include "engine/zip_component.h"
#include "script/loaded_job_check.h"
#include "script/script_file.h"
#include "source/source_size.h"

#include <QFileInfo>

namespace {

// The window of an unattended run: nothing to show but, on a terminal, one progress line.
class ConsoleWindow : public NullWindowPort {
public:
    explicit ConsoleWindow(std::FILE* out) : out_(out) {}
    ~ConsoleWindow() override {
        if (drawn_)
            std::fputc('\n', out_);
    }
    void setCountText(const QString& text) override {
        count_ = text.trimmed();
        draw();
    }
    void setProgress(int percent) override {
        NullWindowPort::setProgress(percent);
        draw();
    }

private:
    void draw() {
        if (!out_ || count_.isEmpty() || !count_.contains(QLatin1String(" of ")))
            return;
        std::fprintf(out_, "\rZipping volume %s, %3d%%", qPrintable(count_), progress());
        std::fflush(out_);
        drawn_ = true;
    }
    std::FILE* out_;
    QString count_;
    bool drawn_ = false;
};

UnattendedResult failure(const QString& message) { return {1, message}; }

} // namespace

UnattendedResult runUnattended(const UnattendedOptions& options, MachinePort& machine) {
    ConsoleWindow window(options.progress);
    const RunFlags& flags = options.flags;

    if (!QFileInfo(options.scriptPath).isFile())
        return failure(QStringLiteral("cannot open script %1: no such file").arg(options.scriptPath));
    JobSettings job;
    job.WorkDrive = options.workLocation;
    const ScriptLoad load = loadScript(options.scriptPath, job, window, flags);
    if (!load.ok)
        return failure(QStringLiteral("%1 %2: %3").arg(kScriptErrorText, options.scriptPath, load.detail));

    // The comment remembered in the settings file travels with unattended jobs too.
    const StartupSettings settings = readSettingsAtStartup();
    job.CommentFile = settings.CommentFile;
    job.CommentOn = commentFileUsable(settings.CommentFile);

    NumberingState numbering;
    const LoadedJobCheck check =
        checkLoadedJob(job, window, flags, [&](const JobSettings& j) {
            return checkDizNumbering(j, flags, false, numbering, window, machine) &&
                   numbering.NumberingValid;
        });
    if (!check.JobValidated)
        return failure(QStringLiteral("the job in %1 failed its check: %2")
                           .arg(options.scriptPath,
                                check.reason.isEmpty() ? QStringLiteral("a file is missing")
                                                       : check.reason));
    if (!options.runJob)
        return {0, QStringLiteral("%1: the job is ready to run").arg(options.scriptPath)};

    float sourceSizeM = 0;
    const QString source = job.SourceSpec;
    const SizeRecalc size = recalculateSourceSize(job, sourceSizeM, window, machine);
    if (size.failed || job.SourceSpec.isEmpty())
        return failure(QStringLiteral("cannot measure the source %1").arg(source));

    ZipComponent zip;
    RipRun rip(window, machine, zip, flags);
    const RipResult result = rip.run(job, sourceSizeM);
    if (!result.succeeded())
        return failure(result.reason.isEmpty() ? QStringLiteral("the run failed") : result.reason);
    if (result.outcome == RipOutcome::ArchivesKept)
        return {0, QStringLiteral("Ripping complete: %1 volumes are in %2")
                       .arg(result.volumes)
                       .arg(result.outputFolder)};
    return {0, QStringLiteral("Ripping complete: %1 zips in %2").arg(result.volumes).arg(job.ZipDir)};
}

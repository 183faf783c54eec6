// SPDX-License-Identifier: MIT
#include "CliCommands.h"

#include "CliOutput.h"
#include "Interruption.h"
#include "JsonText.h"
#include "TerminalProgress.h"
#include "TerminalText.h"
#include "archive/EntrySelection.h"
#include "archive/ThemeIndex.h"
#include "archive/ThemeJob.h"
#include "archive/ThemeReader.h"
#include "util/FormatSize.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

bool interrupted()
{
    return InterruptionWatch::signal() != 0;
}

void appendTable(CliOutput &output, const QString &path, const ThemeIndex &index)
{
    QByteArray &text = output.text();
    text += "Archive: ";
    appendForTerminal(text, QDir::toNativeSeparators(path));
    text += "\nTheme:   ";
    appendForTerminal(text, index.themeName);
    text += "\nVersion: ";
    appendForTerminal(text, index.version);
    text += '\n';
    output.wrote();
    for (qsizetype i = 0; i < index.count(); ++i) {
        char size[32];
        const int sizeLength = formatSize(index.size(i), size);
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, index.size(i)).ptr;
        QByteArray &line = output.text();
        appendRightJustified(line, size, sizeLength, 10);
        line += "  ";
        appendRightJustified(line, digits, end - digits, 10);
        line += "  ";
        appendForTerminal(line, index.name(i));
        line += '\n';
        output.wrote();
    }
}

void appendJson(CliOutput &output, const QString &path, const ThemeIndex &index)
{
    QByteArray &text = output.text();
    text += "{\"path\":";
    appendJsonString(text, path);
    text += ",\"theme\":";
    appendJsonString(text, index.themeName);
    text += ",\"version\":";
    appendJsonString(text, index.version);
    text += ",\"entries\":[";
    for (qsizetype i = 0; i < index.count(); ++i) {
        char size[32];
        text += i ? ",{\"name\":" : "{\"name\":";
        appendJsonString(text, index.name(i));
        text += ",\"offset\":" + QByteArray::number(index.offset(i))
                + ",\"size\":" + QByteArray::number(index.size(i)) + ",\"sizeText\":\"";
        text.append(size, formatSize(index.size(i), size));
        text += "\"}";
        output.wrote();
    }
    text += "]}\n";
    output.wrote();
}

} // namespace

namespace {

// Runs a job and tells of it on the terminal: a progress line per item
// (when standard error is a terminal), each file or entry with -v, and a
// line per failed item as it fails.
class JobReport
{
public:
    JobReport(ThemeJob &reportedJob, CliOutput &cliOutput, const QString &progressVerb)
        : job(reportedJob),
          output(cliOutput),
          verb(progressVerb),
          progress(cliOutput.err, cliOutput.errIsTerminal && !cliOutput.verbose)
    {
    }

    // True when every item was done and everything printed arrived.
    bool run(bool showOutputs);

private:
    void finished(int item, bool showOutputs);

    ThemeJob &job;
    CliOutput &output;
    QString verb;
    TerminalProgress progress;
};

void JobReport::finished(int item, bool showOutputs)
{
    progress.finish();
    const JobOutcome &outcome = job.outcomes()[item];
    const QString &source = job.items()[item].source;
    for (const QString &name : outcome.unmatched)
        output.failure(source, nothingNamedMessage(name));
    // An edit fails on the names that chose nothing, which were just told.
    const bool toldAlready = job.kind() == JobKind::Edit && !outcome.unmatched.isEmpty();
    if (outcome.error.failed() && !toldAlready) {
        output.failure(source, outcome.error.message, outcome.error.reason());
    } else if (showOutputs && output.verbose) {
        output.text() += "-> ";
        appendForTerminal(output.text(), QDir::toNativeSeparators(outcome.output));
        output.text() += '\n';
        output.flush();
    }
}

bool JobReport::run(bool showOutputs)
{
    job.itemStarted = [this](int item) { progress.start(verb, job.items()[item].source); };
    job.progress = [this](const JobProgress &now) {
        return !interrupted() && (now.scanning || progress.update(now.itemDone, now.itemTotal));
    };
    if (output.verbose) {
        const bool native = job.kind() == JobKind::Unpack; // files, not entry names
        job.entryDone = [this, native](int, const QString &name) {
            appendForTerminal(output.text(), native ? QDir::toNativeSeparators(name) : name);
            output.text() += '\n';
            output.flush();
        };
    }
    job.itemFinished = [this, showOutputs](int item) { finished(item, showOutputs); };
    job.run();
    bool allDone = true;
    for (const JobOutcome &outcome : job.outcomes())
        allDone = allDone && outcome.done();
    return output.flush() && allDone && !interrupted();
}

} // namespace

bool packFolders(const PackOptions &options, CliOutput &output)
{
    QList<JobItem> items;
    for (const QString &folder : options.folders) {
        JobItem item;
        item.source = folder;
        item.themeName = options.themeName;
        items.append(item);
    }
    ThemeJob job(JobKind::Pack, items, {options.outputDir, options.archivePath});
    return JobReport(job, output, QStringLiteral("packing")).run(true);
}

bool unpackArchives(const UnpackOptions &options, CliOutput &output)
{
    QList<JobItem> items;
    for (const QString &archive : options.archives)
        items.append({archive, std::nullopt, QString(), {}, {}, {}});
    ThemeJob job(JobKind::Unpack, items, {options.outputDir, QString()});
    return JobReport(job, output, QStringLiteral("unpacking")).run(false);
}

bool listArchives(const ListOptions &options, CliOutput &output)
{
    bool allListed = true;
    bool first = true;
    for (const QString &archive : options.archives) {
        if (interrupted() || output.outputFailed())
            break;
        ThemeReader reader;
        ThemeIndex index;
        if (!reader.readIndex(archive, index)) {
            output.failure(archive, reader.errorString, reader.error.reason());
            allListed = false;
            continue;
        }
        if (options.json) {
            appendJson(output, archive, index);
        } else {
            if (!first)
                output.text() += '\n';
            appendTable(output, archive, index);
        }
        first = false;
    }
    return output.flush() && allListed && !interrupted();
}

bool extractEntries(const ExtractOptions &options, CliOutput &output)
{
    JobItem item;
    item.source = options.archive;
    item.patterns = options.names;
    ThemeJob job(JobKind::Unpack, {item}, {options.outputDir, QString()});
    return JobReport(job, output, QStringLiteral("extracting from")).run(false);
}

namespace {

bool editInPlace(const QString &archive, const QList<ArchiveChange> &changes, CliOutput &output)
{
    JobItem item;
    item.source = archive;
    item.changes = changes;
    ThemeJob job(JobKind::Edit, {item}, {});
    return JobReport(job, output, QStringLiteral("editing")).run(false);
}

} // namespace

bool addResources(const AddOptions &options, CliOutput &output)
{
    QList<ArchiveChange> changes;
    for (const QString &path : options.paths) {
        // "blue/", "." and "img/../blue" all add a folder by its own name.
        const QString name = QFileInfo(QDir::cleanPath(QDir(path).absolutePath())).fileName();
        changes.append(ArchiveChange::add(path, options.folder + QLatin1Char('/') + name));
    }
    return editInPlace(options.archive, changes, output);
}

bool removeResources(const RemoveOptions &options, CliOutput &output)
{
    return editInPlace(options.archive, {ArchiveChange::remove(options.names, true)}, output);
}

bool moveResource(const MoveOptions &options, CliOutput &output)
{
    return editInPlace(options.archive, {ArchiveChange::rename(options.from, options.to)}, output);
}

bool catEntry(const CatOptions &options, CliOutput &output)
{
    output.flush();
    ThemeReader reader;
    if (!reader.readEntry(options.archive, options.name, output.out)) {
        // The one file cat writes is standard output: told as list tells it.
        if (isWriteFailure(reader.error.kind))
            output.outputWriteFailed(reader.error.systemError ? reader.error.systemError : EIO);
        else
            output.failure(options.archive, reader.errorString, reader.error.reason());
        return false;
    }
    return true;
}

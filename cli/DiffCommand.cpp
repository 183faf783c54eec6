// SPDX-License-Identifier: MIT
#include "Cli.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "Interruption.h"
#include "JsonText.h"
#include "TerminalProgress.h"
#include "TerminalText.h"
#include "archive/ArchiveComparison.h"
#include "util/FormatSize.h"

namespace {

const char *changeWord(ResourceDifference::Change change)
{
    switch (change) {
    case ResourceDifference::Change::Added: return "added";
    case ResourceDifference::Change::Removed: return "removed";
    case ResourceDifference::Change::Changed: break;
    }
    return "changed";
}

// A size column: the size as text, or "-" where the archive has no such resource.
void appendSize(QByteArray &line, qint64 size)
{
    char text[32];
    if (size < 0)
        appendRightJustified(line, "-", 1, 10);
    else
        appendRightJustified(line, text, formatSize(size, text), 10);
}

// "changed       10 B       12 B  /img/bg.png": one line per resource.
void appendLines(CliOutput &output, const QList<ResourceDifference> &differences)
{
    for (const ResourceDifference &difference : differences) {
        QByteArray &line = output.text();
        const QByteArray word(changeWord(difference.change));
        line += word + QByteArray(8 - word.size(), ' ');
        appendSize(line, difference.oldSize);
        line += "  ";
        appendSize(line, difference.newSize);
        line += "  ";
        appendForTerminal(line, QLatin1Char('/') + difference.path);
        line += '\n';
        output.wrote();
    }
}

void appendJsonSize(QByteArray &text, const char *side, qint64 size)
{
    if (size < 0)
        return;
    char sizeText[32];
    text += ",\"size" + QByteArray(side) + "\":" + QByteArray::number(size) + ",\"sizeText"
            + QByteArray(side) + "\":\"";
    text.append(sizeText, formatSize(size, sizeText));
    text += '"';
}

// One object on one line, as list --json writes one per archive.
void appendJson(CliOutput &output, const DiffOptions &options,
                const QList<ResourceDifference> &differences)
{
    QByteArray &text = output.text();
    text += "{\"a\":";
    appendJsonString(text, options.oldArchive);
    text += ",\"b\":";
    appendJsonString(text, options.newArchive);
    text += ",\"entries\":[";
    for (qsizetype i = 0; i < differences.size(); ++i) {
        const ResourceDifference &difference = differences[i];
        text += i ? ",{\"name\":" : "{\"name\":";
        appendJsonString(text, QLatin1Char('/') + difference.path);
        text += ",\"change\":\"" + QByteArray(changeWord(difference.change)) + '"';
        appendJsonSize(text, "A", difference.oldSize);
        appendJsonSize(text, "B", difference.newSize);
        text += '}';
        output.wrote();
    }
    text += "]}\n";
    output.wrote();
}

} // namespace

int diffArchives(const DiffOptions &options, CliOutput &output)
{
    QList<ResourceDifference> differences;
    ThemeError error;
    {
        TerminalProgress progress(output.err, output.errIsTerminal);
        progress.start(QStringLiteral("comparing"), options.oldArchive);
        error = compareArchives(
            options.oldArchive, options.newArchive, differences,
            [&progress](qint64 done, qint64 total) { return progress.update(done, total); });
    }
    if (error.failed()) {
        if (error.kind != ThemeFailure::Cancelled) // by Ctrl+C: the exit status tells
            output.failure(error.path.isEmpty() ? options.oldArchive : error.path, error.message,
                           error.reason());
        return CliTrouble;
    }
    if (options.json)
        appendJson(output, options, differences);
    else
        appendLines(output, differences);
    if (!output.flush())
        return CliTrouble;
    return differences.isEmpty() ? CliSuccess : CliDifferent;
}

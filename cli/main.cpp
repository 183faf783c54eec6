// SPDX-License-Identifier: MIT
#include "Cli.h"
#include "ProcessEdges.h"
#include "StandardStream.h"
#include "TerminalText.h"
#include "archive/ThemeNames.h"

#include <QCoreApplication>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

#ifndef Q_OS_WIN
namespace {

// Qt turns the current folder into text with the bytes that are not UTF-8
// replaced, and makes every relative path absolute with that text: the tool
// would then read and write below another folder, or create it. Refused as an
// argument that is not UTF-8 is (CliBadUsage, one line naming the folder).
int checkCurrentFolder(const QByteArray &folder, QIODevice &err)
{
    if (ThemeNames::isUtf8(folder.constData(), folder.size()))
        return CliSuccess;
    QByteArray line("velmoro-cli: the current folder is not valid UTF-8: ");
    appendForTerminal(line, ThemeNames::decode(folder.constData(), folder.size()));
    err.write(line + '\n');
    return CliBadUsage;
}

} // namespace
#endif

int main(int argc, char *argv[])
{
    ProcessEdges::keepLargeAllocationsMapped();
    bool outputWasClosed = false;
    if (!ProcessEdges::openClosedStandardStreams(outputWasClosed))
        return CliItemFailed; // nowhere safe to write, nor to say so
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmoro-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORO_VERSION));
    StandardStream out(1, outputWasClosed);
    StandardStream err(2);
#ifndef Q_OS_WIN // Windows passes the arguments and the folder as text already
    QList<QByteArray> bytes;
    for (int i = 1; i < argc; ++i)
        bytes.append(QByteArray(argv[i]));
    if (const int refused = checkArgumentBytes(bytes, err))
        return refused;
    if (const int refused = checkCurrentFolder(ProcessEdges::currentFolder(), err))
        return refused;
#endif
    return runCli(QCoreApplication::arguments(), {out, err, isatty(2) != 0});
}

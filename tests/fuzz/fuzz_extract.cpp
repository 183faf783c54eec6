// Feeds arbitrary bytes to ThemeReader::extract() into a fresh folder and
// checks after every input that nothing was written outside it: the folder
// beside it stays empty and nothing else appears in the workspace.

#include "FuzzWorkspace.h"
#include "archive/ThemeReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString base = FuzzWorkspace::folder();
    const QString path = FuzzWorkspace::writeInput(data, size);
    const QString work = base + QStringLiteral("/work");
    const QString target = work + QStringLiteral("/target");
    QDir().mkpath(target);
    QDir().mkpath(work + QStringLiteral("/sentinel"));

    ThemeReader reader;
    reader.themeFilePath = path;
    reader.targetDir = target;
    const bool extracted = reader.extract();
    if (!extracted && reader.errorString.isEmpty())
        FuzzWorkspace::fail("failure without a message");

    for (const QString &entry : FuzzWorkspace::everything(base)) {
        if (entry != QLatin1String("input.tsk") && entry != QLatin1String("work")
            && entry != QLatin1String("work/sentinel") && entry != QLatin1String("work/target")
            && !entry.startsWith(QLatin1String("work/target/")))
            FuzzWorkspace::fail("written outside the target folder", entry);
    }
    // Only a failure to write some resources leaves others behind; an
    // archive refused for what it holds leaves the target as it was.
    if (!extracted && !reader.errorString.startsWith(QLatin1String("Can NOT write"))
        && !FuzzWorkspace::everything(target).isEmpty())
        FuzzWorkspace::fail("refused archive left files behind", reader.errorString);
    QDir(work).removeRecursively();
    return 0;
}

// Feeds arbitrary bytes to ThemeReader::readIndex() and checks what a
// successful read promises: every entry lies inside the file and no name
// leads outside the folder it would be unpacked into.

#include "FuzzWorkspace.h"
#include "archive/ThemeReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = FuzzWorkspace::writeInput(data, size);
    ThemeReader reader;
    ThemeEntryList entries;
    QString theme;
    if (!reader.readIndex(path, entries, theme)) {
        if (reader.errorString.isEmpty() || !entries.isEmpty() || !theme.isEmpty())
            FuzzWorkspace::fail("failure without a message, or with output");
        return 0;
    }
    if (FuzzWorkspace::leadsOutside(theme))
        FuzzWorkspace::fail("unsafe theme name accepted", theme);
    qint64 total = 0;
    for (const ThemeEntry &entry : entries) {
        if (entry.size < 0 || entry.offset < 0 || qint64(entry.offset) + entry.size > qint64(size))
            FuzzWorkspace::fail("entry outside the file", entry.name);
        if (FuzzWorkspace::leadsOutside(entry.name))
            FuzzWorkspace::fail("unsafe entry name accepted", entry.name);
        total += entry.size;
    }
    if (total > qint64(size))
        FuzzWorkspace::fail("contents larger than the file");
    return 0;
}

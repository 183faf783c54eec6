// SPDX-License-Identifier: MIT
// Feeds archives to ThemeReader::readIndex() and checks what a successful
// read promises: every entry lies inside the file, no name leads outside the
// folder it would be unpacked into on its own, and neither does any theme
// name and entry name joined: each entry lands inside the theme folder, which
// lies inside the target, whether "\" separates components or not (see
// PathOracle.h).

#include "FuzzWorkspace.h"
#include "PathOracle.h"
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
        const QString joined = QStringLiteral("theme \"%1\", entry \"%2\"").arg(theme, entry.name);
        for (const bool backslashSeparates : {true, false}) {
            switch (PathOracle::place(theme, entry.name, backslashSeparates)) {
            case PathOracle::Placement::Inside: break;
            // An entry that names the theme folder itself ("/") names no file:
            // the reader may list it, and fuzz_extract checks that unpacking
            // never reports it as written.
            case PathOracle::Placement::EntryIsThemeFolder: break;
            case PathOracle::Placement::ThemeOutside:
                FuzzWorkspace::fail("theme folder outside the target accepted", joined);
            case PathOracle::Placement::EntryOutsideTarget:
                FuzzWorkspace::fail("entry outside the target accepted", joined);
            case PathOracle::Placement::EntryOutsideTheme:
                FuzzWorkspace::fail("entry beside the theme folder accepted", joined);
            }
        }
        total += entry.size;
    }
    if (total > qint64(size))
        FuzzWorkspace::fail("contents larger than the file");
    return 0;
}

// SPDX-License-Identifier: MIT
#include "ThemePacker.h"

#include "OutputRules.h"
#include "ThemeFormat.h"
#include "ThemeRules.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char folderMissingMessage[] = "The dir path is NOT validate.";
const char subFolderMissingMessage[] = "The dir path is NOT exist.";
const char themeNameLeadsOutMessage[] =
    "The theme name would lead outside the folder it is unpacked into: %1";
const char themeNameTooLargeMessage[] =
    "The theme name is longer, or nests deeper, than a theme file can hold: %1";

ThemeError badThemeName(const char *message, const QString &name)
{
    return {ThemeFailure::BadThemeName, QString::fromLatin1(message).arg(name), 0, QString(),
            QString()};
}

} // namespace

QByteArray ThemePacker::encodeInt32(qint32 value)
{
    return ThemeFormat::int32Bytes(value);
}

void ThemePacker::reset()
{
    folderPath.clear();
    themeName.clear();
    themeFilePath.clear();
}

bool ThemePacker::fail(const ThemeError &failure)
{
    error = failure;
    errorString = failure.message;
    return false;
}

// The theme name goes into the header, where the reader must take it, and,
// when it names the archive too, into a file name that must not move it.
bool ThemePacker::checkThemeName(bool namesArchive)
{
    const QString fileNameMessage =
        OutputRules::archiveNameMessage(namesArchive ? OutputRules::archiveNameProblem(themeName)
                                                     : OutputRules::FileNameProblem::None,
                                        themeName);
    if (!fileNameMessage.isEmpty())
        return fail({ThemeFailure::BadThemeName, fileNameMessage, 0, QString(), QString()});
    const ThemeRules::NameCheck check(themeName, themeName.toUtf8().size());
    switch (check.themeProblem()) {
    case ThemeRules::NameProblem::None: return true;
    case ThemeRules::NameProblem::LeadsOutside:
        return fail(badThemeName(themeNameLeadsOutMessage, themeName));
    case ThemeRules::NameProblem::TooLong:
    case ThemeRules::NameProblem::TooDeep: break;
    }
    return fail(badThemeName(themeNameTooLargeMessage, themeName));
}

bool ThemePacker::prepare()
{
    scanned = ThemeScan();
    if (folderPath.isEmpty())
        return false;
    if (!QFileInfo(folderPath).isDir())
        return fail(
            {ThemeFailure::Missing, QLatin1String(folderMissingMessage), 0, QString(), folderPath});
    const QString folder = QDir(folderPath).absolutePath(); // "." or "name/" name the folder itself
    if (themeName.isEmpty())
        themeName = QFileInfo(folder).fileName();
    if (!checkThemeName(themeFilePath.isEmpty()))
        return false;
    if (themeFilePath.isEmpty())
        themeFilePath = OutputRules::archiveBeside(folder, themeName);
    const ThemeError scanError = scanThemeFolder(folder, themeName, themeFilePath, scanned);
    if (scanError.failed())
        return fail(scanError);
    if (scanned.folderVanished)
        errorString = QLatin1String(subFolderMissingMessage); // told, but nothing is lost
    return true;
}

bool ThemePacker::write()
{
    const ThemeError written =
        writeThemeArchive(scanned, themeName, themeFilePath, {entryStarted, progress});
    return !written.failed() || fail(written);
}

bool ThemePacker::pack()
{
    return prepare() && write();
}

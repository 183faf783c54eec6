// SPDX-License-Identifier: MIT
#include "OutputTree.h"

#include <QDir>
#include <QRandomGenerator>

#include <cerrno>

// The rules of the output tree; the file-system steps they call are in
// OutputTree_posix.cpp or OutputTree_qt.cpp.

bool OutputTree::fail(Problem problem, int error)
{
    lastProblem = problem;
    lastErrno = error;
    blockedPath.clear();
    return false;
}

// A folder on the way, at `path`, could not be opened or made: what stands
// there says why, and where it stands tells the user what to move.
bool OutputTree::failOnTheWay(Found found, int error, const QString &path)
{
    switch (found) {
    case Found::Link: fail(Problem::LinkInWay); break;
    case Found::File:
    case Found::Special: fail(Problem::NotAFolder); break;
    case Found::Nothing:
    case Found::Folder: return fail(Problem::System, error);
    }
    blockedPath = QDir::cleanPath(path);
    return false;
}

// A name no resource is likely to have, so it is created fresh (exclusively)
// at the first try; the leading dot keeps it out of listings.
QString OutputTree::temporaryName()
{
    return QStringLiteral(".velmoro-")
           + QString::number(QRandomGenerator::global()->generate64(), 36);
}

QFileDevice *OutputTree::begin(const QStringList &folder, const QString &name)
{
    return start(folder, name) ? openDevice() : nullptr;
}

bool OutputTree::makeFolder(const QStringList &folder)
{
    discard();
    lastProblem = Problem::None;
    lastErrno = 0;
    return openRoot() && enterFolder(folder);
}

bool OutputTree::start(const QStringList &folder, const QString &name)
{
    if (!makeFolder(folder) || !createTemporary())
        return false;
    fileName = name;
    return true;
}

bool OutputTree::commit()
{
    if (!hasTemporary())
        return false;
    if (closeTemporary() && putInPlace())
        return true;
    const Problem problem = lastProblem;
    const int error = lastErrno;
    discard();
    return fail(problem, error);
}

// What is at the file's place decides: a folder or a special file stays, and
// so does the protected file and an older file that may not be written; a
// link or another older file is replaced.
bool OutputTree::putInPlace()
{
    // Mostly nothing is there yet (a fresh unpack): then one step puts the
    // file in place, and nothing can slip in meanwhile.
    if (placeIfFree())
        return true;
    bool isProtected = false;
    const Found found = lookAtPlace(isProtected);
    if (isProtected)
        return fail(Problem::Protected);
    switch (found) {
    case Found::Folder: return fail(Problem::System, EISDIR); // as a rename over it would say
    case Found::Special: return fail(Problem::SpecialFile);
    case Found::File:
        if (!olderFileWritable())
            return false;
        break;
    case Found::Nothing:
    case Found::Link: break;
    }
    return replaceAtPlace(found);
}

void OutputTree::discard()
{
    if (file.isOpen())
        file.close();
    removeTemporary();
}

// SPDX-License-Identifier: MIT
#pragma once

#include "app/preview/ResourceDecoder.h"
#include "archive/ArchiveComparison.h"

#include <QStackedWidget>
#include <QThreadPool>

#include <atomic>
#include <memory>

class ImageCanvas;
class QLabel;

// Below the list of differences: the selected resource in each archive that
// holds it. Pictures are shown side by side (the first archive's on the
// left, the second's on the right, each under its archive's name); other
// resources by their sizes. Only the selected resource's bytes are read, on
// a worker thread; the newest selection wins.
class VersionView : public QStackedWidget
{
    Q_OBJECT

public:
    VersionView(const QString &oldArchive, const QString &newArchive, QWidget *parent = nullptr);
    // Tells a read still going to stop and waits for it.
    ~VersionView() override;

    void showHint();
    void showDifference(const ResourceDifference &difference);

    // Whether the pictures of the newest selection are still being read.
    bool isLoading() const { return stopLatest != nullptr; }

private:
    struct Side
    {
        QLabel *caption = nullptr;
        ImageCanvas *canvas = nullptr;
        QWidget *pane = nullptr;
    };
    Side makeSide(const char *paneName, const char *captionName, const char *canvasName);
    void showSizes(const ResourceDifference &difference);
    void showPictures(quint64 request, const ResourceDifference &difference,
                      const DecodedResource &older, const DecodedResource &newer);
    void showSide(Side &side, const QString &label, qint64 size, const DecodedResource &decoded);
    void showMessage(const QString &text);

    QString oldArchive;
    QString newArchive;
    QLabel *versionMessage = nullptr;
    QWidget *picturePage = nullptr;
    Side oldSide;
    Side newSide;

    QThreadPool workers;
    quint64 latestRequest = 0;
    std::shared_ptr<std::atomic<bool>> stopLatest; // set while the newest request runs
};

// SPDX-License-Identifier: MIT
#pragma once

#include "ResourceDecoder.h"

#include <QIcon>
#include <QStackedWidget>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <memory>

class ImageCanvas;
class QLabel;
class QPlainTextEdit;

// The preview pane beside the resource tree: the selected resource as a
// picture (scaled to fit, never enlarged, on a checkerboard), as read-only
// text, or by its size and type. Only that resource's bytes are read, on a
// worker thread; the newest request wins.
class ResourceViewer : public QStackedWidget
{
    Q_OBJECT

public:
    explicit ResourceViewer(QWidget *parent = nullptr);
    // Tells a read still going to stop and waits for it.
    ~ResourceViewer() override;

    // No single resource is selected: a short hint.
    void showHint();

    // Reads the entry of the archive and shows it. `size` is the entry's size
    // as listed; `typeIcon` stands for a resource that is shown by its type.
    void showResource(const QString &archivePath, const QString &entryName, qint64 size,
                      const QIcon &typeIcon);

    // Whether a read or decode for the newest request is still going.
    bool isLoading() const { return stopLatest != nullptr; }

    // The part that takes the keyboard focus, when shown: the text view.
    QWidget *focusPart() const;

signals:
    // The newest request's result (or why there is none) is on screen.
    void resourceShown();

private:
    void finish(quint64 request, const DecodedResource &result);
    void showMessage(const QString &text, const QIcon &icon = QIcon());

    QWidget *messagePage = nullptr;
    QLabel *messageIcon = nullptr;
    QLabel *messageLabel = nullptr;
    QWidget *imagePage = nullptr;
    ImageCanvas *imageCanvas = nullptr;
    QLabel *imageCaption = nullptr;
    QPlainTextEdit *textView = nullptr;

    QThreadPool workers;
    quint64 latestRequest = 0;
    std::shared_ptr<std::atomic<bool>> stopLatest; // set while the newest request runs
    QTimer readingNotice;                          // says it is reading when that takes a moment

    // What the newest request is about, for the texts of its result.
    QString latestType;
    qint64 latestSize = 0;
    QIcon latestIcon;
};

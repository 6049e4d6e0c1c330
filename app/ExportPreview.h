#pragma once

// A small picture of what an export will look like: the board of the chosen theme, layout,
// size and place over a frame of the footage, or over a checker pattern that shows where the
// output stays transparent when there is no footage. Drawn through the renderer at the
// preview's own size (the board's sizes follow the frame's, so a smaller frame is the same
// look, only smaller), and only when something changes: nothing runs on a timer.
// GUI thread only.

#include "video/Export.h"

#include <QImage>
#include <QSize>
#include <QWidget>

// The largest the preview draws; the frame's shape is kept inside it.
inline constexpr QSize kExportPreviewBox(400, 225);

// The preview of request's picture over still (a null still: the checker), fitted into box.
// A sample moment of a 501 leg stands for the match, as the dialog has none to show.
QImage ExportPreviewPicture(const ExportRequest& request, const QImage& still,
                            QSize box = kExportPreviewBox);

class ExportPreview : public QWidget {
    Q_OBJECT
public:
    explicit ExportPreview(QWidget* parent = nullptr);

    // The frame of the footage to draw over; null for the checker.
    void setStill(const QImage& still);
    // Draws the export these settings make (its path is not used).
    void setRequest(const ExportRequest& request);
    const QImage& picture() const { return m_picture; }

    QSize sizeHint() const override { return kExportPreviewBox; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void redraw();

    QImage m_still;
    ExportRequest m_request;
    bool m_haveRequest = false;
    QImage m_picture;
};

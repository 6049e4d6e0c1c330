#include "app/ScoreDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

ScoreDrop::ScoreDrop(QWidget* target, std::function<bool()> accepting)
    : QObject(target), m_accepting(std::move(accepting)) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

QString ScoreDrop::localFileIn(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}

bool ScoreDrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // Refusing here shows the user at once that a busy window takes no file.
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (m_accepting() && !localFileIn(drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = localFileIn(drop->mimeData());
        if (path.isEmpty() || !m_accepting()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        emit dropped(path);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

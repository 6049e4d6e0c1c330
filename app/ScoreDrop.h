#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMimeData;
class QWidget;

// Lets a score file be dropped on a window: files from a file manager are taken while the
// window says it can take one, and the first local file of a drop is handed on.
class ScoreDrop : public QObject {
    Q_OBJECT
public:
    // Watches target, which from now on accepts drops; accepting tells whether a drop
    // would be taken now.
    ScoreDrop(QWidget* target, std::function<bool()> accepting);

    // The first local file among the data's URLs, or an empty string.
    static QString localFileIn(const QMimeData* data);

signals:
    void dropped(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> m_accepting;
};

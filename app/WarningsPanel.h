#pragma once

#include "score/Diagnostics.h"

#include <QLabel>
#include <QString>
#include <QStringList>

#include <vector>

// One line under the preview that says what the loader read leniently in the score file, or
// why a reload failed: the first warning with its line number, and every warning in the
// tooltip. Without anything to say it is hidden and the window looks as it always has.
class WarningsPanel : public QLabel {
    Q_OBJECT
public:
    explicit WarningsPanel(QWidget* parent = nullptr);

    // The warnings of a load; none hides the panel.
    void showDiagnostics(const std::vector<Diagnostic>& diagnostics);
    // A reload failed: why (the file and the reason), and that the match shown stays.
    void showReloadFailure(const QString& reason);

    // Every line the panel offers (the tooltip's lines), for whoever needs them as text.
    const QStringList& lines() const { return m_lines; }

    // A diagnostic in the window's words: "Line 12: ..." (the message through the
    // translation, when there is one for its template).
    static QString describe(const Diagnostic& diagnostic);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void present(const QString& summary);

    QString m_summary; // the whole line, before it is cut to the panel's width
    QStringList m_lines;
};

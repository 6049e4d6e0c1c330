#include "app/NewMatchDialog.h"

#include "app/ScoringSession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

NewMatchDialog::NewMatchDialog(ScoringSession& session, const QString& path, QWidget* parent)
    : QDialog(parent), m_session(session), m_path(path) {
    setWindowTitle(tr("New match"));
    chooseSavePath = [this](const QString& initial) {
        return QFileDialog::getSaveFileName(this, tr("Save the new match as"), initial,
                                            tr("Text files (*.txt)"));
    };

    m_game = new QComboBox(this);
    m_game->addItems({"301", "501", "701", "901", "1101", "1501", "CRICKET"});
    m_game->setCurrentText("501");
    for (int p = 0; p < 2; ++p) {
        m_names[p] = new QLineEdit(this);
        m_names[p]->setMaxLength(32);
        m_names[p]->setPlaceholderText(tr("Player %1").arg(p + 1));
    }
    m_legs = new QSpinBox(this);
    m_legs->setRange(1, 99);
    m_sets = new QSpinBox(this);
    m_sets->setRange(0, 99);
    m_sets->setSpecialValueText(tr("no sets"));
    m_first = new QComboBox(this);
    m_first->addItems({tr("Player 1"), tr("Player 2")});
    m_out = new QComboBox(this);
    m_out->addItems({tr("Open out (any dart)"), tr("Double out"), tr("Master out")});
    m_bull = new QCheckBox(tr("The outer bull scores 25 (01 games)"), this);
    m_bull->setChecked(true);
    m_pathLine = new QLabel(path.isEmpty() ? tr("(asked when you create it)") : path, this);
    m_error = new QLabel(this);
    m_error->setWordWrap(true);

    auto* form = new QFormLayout(this);
    form->addRow(tr("Game"), m_game);
    form->addRow(tr("Player 1"), m_names[0]);
    form->addRow(tr("Player 2"), m_names[1]);
    form->addRow(tr("First to legs"), m_legs);
    form->addRow(tr("First to sets"), m_sets);
    form->addRow(tr("Throws first"), m_first);
    form->addRow(tr("Finish"), m_out);
    form->addRow(QString(), m_bull);
    form->addRow(tr("File"), m_pathLine);
    form->addRow(m_error);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Create"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &NewMatchDialog::create);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

MatchFormat NewMatchDialog::format() const {
    MatchFormat format;
    format.game = m_game->currentText().toStdString();
    for (int p = 0; p < 2; ++p) {
        format.names[p] = m_names[p]->text().trimmed().toStdString();
    }
    format.legsToWin = m_legs->value();
    format.setsToWin = m_sets->value();
    format.firstThrower = m_first->currentIndex() + 1;
    format.out = m_out->currentIndex() == 1   ? OutRule::Double
                 : m_out->currentIndex() == 2 ? OutRule::Master
                                              : OutRule::Open;
    format.separateBull = m_bull->isChecked();
    return format;
}

bool NewMatchDialog::create() {
    QString path = m_path;
    if (path.isEmpty()) {
        path = chooseSavePath(QString());
        if (path.isEmpty()) {
            return false;
        }
    }
    if (!m_session.create(path, format())) {
        m_error->setText(m_session.lastError());
        return false;
    }
    m_path = path;
    accept();
    return true;
}

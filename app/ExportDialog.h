#pragma once

// The export's settings as the window asks for them: a preset (the classic AVI by default)
// or a size, rate, place, background and format of the user's, remembered between runs.

#include "video/Export.h"

#include <QDialog>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QSettings;

struct ExportPreset;

struct ExportSettings {
    enum class Format { Avi, Mp4, Mov, Webm, Mkv, PngSequence };

    Format format = Format::Avi;
    QSize size; // empty: the board's own size
    // 0: the largest that suits the size (1 for the board's own size).
    double scale = 0;
    BoardPlace place = BoardPlace::BottomLeft;
    FrameRate rate;
    Background background;
    QString theme = QStringLiteral("classic"); // a built-in theme's name
    BoardLayout layout = BoardLayout::Corner;

    bool operator==(const ExportSettings&) const = default;

    // The classic AVI first.
    static std::vector<ExportPreset> presets();
    // The index of the preset these settings are, or -1 for custom ones.
    int presetIndex() const;
    bool isClassic() const { return presetIndex() == 0; }

    // The save dialog's filter and the suffix it adds.
    QString filter() const;
    QString suffix() const;
    // The chosen file name made a name of this format: a picture sequence gets its frame
    // number.
    QString completePath(const QString& chosen) const;
    // The export of these settings into path. An AVI's compression is the score file's.
    ExportRequest request(const QString& path) const;

    static ExportSettings load(QSettings& settings);
    void save(QSettings& settings) const;
};

struct ExportPreset {
    QString name;
    ExportSettings settings;
};

class Match;

// Shows the dialog with last; the accepted settings are remembered in the user's settings.
std::optional<ExportSettings> ChooseExportSettings(const ExportSettings& last, QWidget* parent);
// The status line before an export: how long the video runs and how many frames it has.
QString ExportLengthStatus(const Match& match, const ExportRequest& request);
// The last video's name with the suffix of the format now chosen (empty stays empty).
QString ExportPathWithSuffix(const QString& path, const ExportSettings& settings);

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    explicit ExportDialog(const ExportSettings& initial, QWidget* parent = nullptr);

    // The settings shown; nullopt while a field holds something that is not a setting.
    std::optional<ExportSettings> settings() const;

    QComboBox& presetBox() { return *m_preset; }
    QComboBox& formatBox() { return *m_format; }
    QLineEdit& sizeEdit() { return *m_size; }
    QComboBox& rateBox() { return *m_rate; }
    QComboBox& placeBox() { return *m_place; }
    QComboBox& backgroundBox() { return *m_background; }
    QComboBox& themeBox() { return *m_theme; }
    QComboBox& layoutBox() { return *m_layout; }
    QLabel& problemLabel() { return *m_problem; }

    void accept() override;

private:
    void showSettings(const ExportSettings& settings);
    void fieldsEdited();

    QComboBox* m_preset = nullptr;
    QComboBox* m_format = nullptr;
    QLineEdit* m_size = nullptr;
    QComboBox* m_rate = nullptr;
    QComboBox* m_place = nullptr;
    QComboBox* m_background = nullptr;
    QComboBox* m_theme = nullptr;
    QComboBox* m_layout = nullptr;
    QLabel* m_problem = nullptr;
    bool m_showing = false;
};

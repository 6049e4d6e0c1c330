#pragma once

// The export's settings as the window asks for them: a preset (the classic AVI by default)
// or a size, rate, place, background and format of the user's, remembered between runs.
// With footage open in the player, the overlay presets and the user's own settings take the
// footage's size and frame rate, so that the overlay lines up with it frame for frame.

#include "video/Export.h"
#include "video/OutputFormats.h"

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class ExportPreview;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;

struct ExportPreset;

// The size and frame rate of the footage an overlay is made for.
struct FootageFormat {
    QSize size;
    FrameRate rate;
    // A frame of the footage for the dialog's preview; null draws the preview over a checker.
    QImage still;

    // From what a footage file says of itself; nullopt when its size or rate is unknown or
    // outside what an export can make (the rate from 1 to 240 frames per second).
    static std::optional<FootageFormat> from(int width, int height, int64_t rateNum,
                                             int64_t rateDen);
    bool operator==(const FootageFormat&) const = default;
};

struct ExportSettings {
    // Video1 stands for the AVI, compressed or not as the score file says.
    VideoCodec codec = VideoCodec::Video1;
    QSize size; // empty: the board's own size
    // 0: the largest that suits the size (1 for the board's own size).
    double scale = 0;
    BoardPlace place = BoardPlace::BottomLeft;
    FrameRate rate;
    Background background;
    QString theme = QStringLiteral("classic"); // a built-in theme's name
    BoardLayout layout = BoardLayout::Corner;

    bool operator==(const ExportSettings&) const = default;

    // The classic AVI first. With footage, the overlay presets are made at its size and
    // rate (one a format and background, since the sizes they differ in are all the
    // footage's); the classic AVI stays the board alone at 15 frames per second.
    static std::vector<ExportPreset> presets(const std::optional<FootageFormat>& footage = {});
    // The index of the preset these settings are, or -1 for custom ones.
    int presetIndex(const std::optional<FootageFormat>& footage = {}) const;
    bool isClassic() const { return presetIndex() == 0; }
    // These settings at the footage's size and rate, the board's scale chosen for that size.
    // The classic AVI is left as it is: it is the board alone, not an overlay.
    ExportSettings fittedTo(const FootageFormat& footage) const;

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

// Shows the dialog with last (fitted to the footage, when there is one); the accepted
// settings are remembered in the user's settings.
std::optional<ExportSettings> ChooseExportSettings(const ExportSettings& last,
                                                   const std::optional<FootageFormat>& footage,
                                                   QWidget* parent);
// The status line before an export: how long the video runs and how many frames it has.
QString ExportLengthStatus(const Match& match, const ExportRequest& request);
// The last video's name with the suffix of the format now chosen (empty stays empty).
QString ExportPathWithSuffix(const QString& path, const ExportSettings& settings);
// The name the save dialog suggests for a video of the score file at scorePath: beside it,
// with its base name and the format's suffix ("/m/final.txt" -> "/m/final.mov"). Empty for
// an empty scorePath.
QString ExportPathBesideScore(const QString& scorePath, const ExportSettings& settings);

// The words the dialog shows for a place and a background kind, in the user's language.
QString BoardPlaceLabel(BoardPlace place);
QString BackgroundLabel(Background::Kind kind);

// The fields: preset, format, size, rate, place and background as words in the user's
// language, and a button that picks the key colour when the background is a colour. Beside
// them a preview of the board the settings make, redrawn on every change of a field.
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // With footage, initial is shown fitted to it and the presets are the footage's.
    explicit ExportDialog(const ExportSettings& initial,
                          const std::optional<FootageFormat>& footage = {},
                          QWidget* parent = nullptr);

    // The colour picker, replaceable so that tests answer it: the colour chosen starting from
    // current, or an invalid colour when cancelled.
    std::function<QColor(const QColor& current)> chooseColour;

    // The settings shown; nullopt while a field holds something that is not a setting.
    std::optional<ExportSettings> settings() const;

    QComboBox& presetBox() { return *m_preset; }
    QComboBox& formatBox() { return *m_format; }
    QLineEdit& sizeEdit() { return *m_size; }
    QComboBox& rateBox() { return *m_rate; }
    QComboBox& placeBox() { return *m_place; }
    QComboBox& backgroundBox() { return *m_background; }
    // Shows the key colour; enabled only for a colour background.
    QPushButton& colourButton() { return *m_colourButton; }
    QComboBox& themeBox() { return *m_theme; }
    QComboBox& layoutBox() { return *m_layout; }
    QLabel& problemLabel() { return *m_problem; }
    ExportPreview& preview() { return *m_preview; }

    void accept() override;

private:
    void showSettings(const ExportSettings& settings);
    void fieldsEdited();
    void pickColour();
    void showColour();

    QComboBox* m_preset = nullptr;
    QComboBox* m_format = nullptr;
    QLineEdit* m_size = nullptr;
    QComboBox* m_rate = nullptr;
    QComboBox* m_place = nullptr;
    QComboBox* m_background = nullptr;
    QPushButton* m_colourButton = nullptr;
    QComboBox* m_theme = nullptr;
    QComboBox* m_layout = nullptr;
    QLabel* m_problem = nullptr;
    ExportPreview* m_preview = nullptr;
    std::optional<FootageFormat> m_footage;
    QColor m_keyColour;
    bool m_showing = false;
};

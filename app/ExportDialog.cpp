#include "app/ExportDialog.h"

#include "app/ExportPreview.h"

#include "render/Theme.h"

#include "video/ExportPlan.h"
#include "video/FfmpegOutput.h"
#include "video/OutputFormats.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

// The formats the dialog offers, in its order; Video1 stands for the AVI, compressed or not
// as the score file says. Everything else about a format is the output table's.
constexpr VideoCodec kFormats[] = {VideoCodec::Video1, VideoCodec::H264, VideoCodec::ProRes,
                                   VideoCodec::VP9,    VideoCodec::FFV1, VideoCodec::PNG};

// The format's own file suffix, without the dot: also the name the settings file has always
// stored the format under.
QString SuffixOf(VideoCodec codec) {
    const char* own = FormatOf(codec).containers[0];
    return own != nullptr ? QString::fromLatin1(own + 1) : QStringLiteral("avi");
}

QString FormatLabel(VideoCodec codec) {
    switch (codec) {
    case VideoCodec::Video1:
    case VideoCodec::Raw:
        return ExportDialog::tr("AVI (Video 1 or uncompressed, as the score file says)");
    case VideoCodec::H264:
        return ExportDialog::tr("H.264 (.mp4)");
    case VideoCodec::ProRes:
        return ExportDialog::tr("ProRes (.mov)");
    case VideoCodec::VP9:
        return ExportDialog::tr("VP9 (.webm)");
    case VideoCodec::FFV1:
        return ExportDialog::tr("FFV1, lossless (.mkv)");
    case VideoCodec::PNG:
        break;
    }
    return ExportDialog::tr("PNG pictures, one a frame");
}

ExportSettings Editor(VideoCodec codec, QSize size, Background background,
                      FrameRate rate = FrameRate{30, 1}) {
    ExportSettings settings;
    settings.codec = codec;
    settings.size = size;
    settings.rate = rate;
    settings.background = background;
    settings.theme = QString::fromLatin1(FormatOf(codec).defaultTheme);
    return settings;
}

// The green of chroma-key screens, the key colour a colour background starts from.
const QColor kKeyGreen(0x00, 0xB1, 0x40);

constexpr BoardPlace kPlaces[] = {BoardPlace::BottomLeft, BoardPlace::BottomRight,
                                  BoardPlace::TopLeft, BoardPlace::TopRight, BoardPlace::Center};
constexpr Background::Kind kBackgroundKinds[] = {
    Background::Kind::Picture, Background::Kind::Transparent, Background::Kind::Colour};

Background Transparent() {
    return Background{Background::Kind::Transparent, {}};
}

QString SizeText(QSize size) {
    return size.isEmpty() ? QString()
                          : QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

QString BackgroundText(const Background& background) {
    switch (background.kind) {
    case Background::Kind::Picture:
        return QStringLiteral("picture");
    case Background::Kind::Transparent:
        return QStringLiteral("transparent");
    case Background::Kind::Colour:
        break;
    }
    return background.colour.name().toUpper();
}

} // namespace

std::optional<FootageFormat> FootageFormat::from(int width, int height, int64_t rateNum,
                                                 int64_t rateDen) {
    if (width <= 0 || height <= 0 || rateNum <= 0 || rateDen <= 0 || rateNum < rateDen ||
        rateNum > 240 * rateDen) {
        return std::nullopt;
    }
    // A size the export cannot make (a tiny or huge picture) leaves the settings' own.
    const std::optional<QSize> size =
        ParseFrameSize(QStringLiteral("%1x%2").arg(width).arg(height).toStdString());
    if (!size) {
        return std::nullopt;
    }
    return FootageFormat{*size, FrameRate{rateNum, rateDen}, QImage()};
}

std::vector<ExportPreset> ExportSettings::presets(const std::optional<FootageFormat>& footage) {
    ExportSettings classic;
    classic.scale = 1;
    if (footage) {
        const QString size = SizeText(footage->size);
        return {
            {ExportDialog::tr("320x240 AVI (classic)"), classic},
            {ExportDialog::tr("%1 transparent (ProRes 4444 .mov)").arg(size),
             Editor(VideoCodec::ProRes, footage->size, Transparent(), footage->rate)},
            {ExportDialog::tr("%1 green screen (H.264 .mp4)").arg(size),
             Editor(VideoCodec::H264, footage->size,
                    Background{Background::Kind::Colour, kKeyGreen}, footage->rate)},
            {ExportDialog::tr("%1 transparent (VP9 .webm)").arg(size),
             Editor(VideoCodec::VP9, footage->size, Transparent(), footage->rate)},
        };
    }
    return {
        {ExportDialog::tr("320x240 AVI (classic)"), classic},
        {ExportDialog::tr("1080p transparent (ProRes 4444 .mov)"),
         Editor(VideoCodec::ProRes, QSize(1920, 1080), Transparent())},
        {ExportDialog::tr("1080p green screen (H.264 .mp4)"),
         Editor(VideoCodec::H264, QSize(1920, 1080),
                Background{Background::Kind::Colour, kKeyGreen})},
        {ExportDialog::tr("4K transparent (ProRes 4444 .mov)"),
         Editor(VideoCodec::ProRes, QSize(3840, 2160), Transparent())},
        {ExportDialog::tr("1080p transparent (VP9 .webm)"),
         Editor(VideoCodec::VP9, QSize(1920, 1080), Transparent())},
    };
}

int ExportSettings::presetIndex(const std::optional<FootageFormat>& footage) const {
    const std::vector<ExportPreset> all = presets(footage);
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].settings == *this) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

ExportSettings ExportSettings::fittedTo(const FootageFormat& footage) const {
    if (isClassic()) {
        return *this;
    }
    ExportSettings fitted = *this;
    fitted.size = footage.size;
    fitted.rate = footage.rate;
    fitted.scale = 0;
    return fitted;
}

QString ExportSettings::filter() const {
    // The classic dialog's filter, byte for byte, stays with the window.
    const QString suffix = this->suffix();
    return FormatLabel(codec) + QStringLiteral(" (*.%1)").arg(suffix);
}

QString ExportSettings::suffix() const {
    return SuffixOf(codec);
}

QString ExportSettings::completePath(const QString& chosen) const {
    if (chosen.isEmpty() || codec != VideoCodec::PNG ||
        codecForPath(chosen.toStdString()) == VideoCodec::PNG) {
        return chosen;
    }
    // "match.png" becomes "match_00000.png", "match_00001.png", ...
    const QFileInfo info(chosen);
    const int cut = chosen.size() - info.fileName().size();
    return chosen.left(cut) + info.completeBaseName() + QStringLiteral("_%05d.png");
}

ExportRequest ExportSettings::request(const QString& path) const {
    ExportRequest request;
    request.path = path.toStdString();
    request.codec = codec;
    request.rate = rate;
    request.render.background = background;
    request.render.scale = scale > 0 ? scale : size.isEmpty() ? 1.0 : DefaultBoardScale(size);
    request.frameSize = size;
    request.place = place;
    if (const std::optional<Theme> chosen = BuiltInTheme(theme.toStdString())) {
        ApplyTheme(request.render, *chosen);
    }
    if (request.render.design == BoardDesign::Broadcast) {
        request.render.frameSize = size;
        request.render.broadcast.layout = layout;
        // The centre is the classic board's: the broadcast board takes the corner below it.
        request.render.broadcast.corner = BroadcastCorner(place).value_or(BoardCorner::BottomLeft);
    }
    return request;
}

ExportSettings ExportSettings::load(QSettings& store) {
    ExportSettings settings = presets()[0].settings;
    store.beginGroup(QStringLiteral("export"));
    const QString format = store.value(QStringLiteral("format")).toString();
    for (const VideoCodec offered : kFormats) {
        if (format == SuffixOf(offered)) {
            settings.codec = offered;
        }
    }
    if (const auto size =
            ParseFrameSize(store.value(QStringLiteral("size")).toString().toStdString())) {
        settings.size = *size;
    }
    const double scale = store.value(QStringLiteral("scale"), settings.scale).toDouble();
    settings.scale = scale == 0 || IsValidScale(scale) ? scale : settings.scale;
    if (const auto place =
            ParseBoardPlace(store.value(QStringLiteral("place")).toString().toStdString())) {
        settings.place = *place;
    }
    if (const auto rate =
            FrameRate::parse(store.value(QStringLiteral("rate")).toString().toStdString())) {
        settings.rate = *rate;
    }
    if (const auto background =
            Background::parse(store.value(QStringLiteral("background")).toString().toStdString())) {
        settings.background = *background;
    }
    const QString theme = store.value(QStringLiteral("theme")).toString();
    if (BuiltInTheme(theme.toStdString())) {
        settings.theme = theme;
    }
    if (const auto layout =
            ParseBoardLayout(store.value(QStringLiteral("layout")).toString().toStdString())) {
        settings.layout = *layout;
    }
    store.endGroup();
    return settings;
}

void ExportSettings::save(QSettings& store) const {
    store.beginGroup(QStringLiteral("export"));
    store.setValue(QStringLiteral("format"), SuffixOf(codec));
    store.setValue(QStringLiteral("size"), SizeText(size));
    store.setValue(QStringLiteral("scale"), scale);
    store.setValue(QStringLiteral("place"), QString::fromLatin1(BoardPlaceName(place)));
    store.setValue(QStringLiteral("rate"), QString::fromStdString(rate.toString()));
    store.setValue(QStringLiteral("background"), BackgroundText(background));
    store.setValue(QStringLiteral("theme"), theme);
    store.setValue(QStringLiteral("layout"), QString::fromLatin1(BoardLayoutName(layout)));
    store.endGroup();
}

QString BoardPlaceLabel(BoardPlace place) {
    switch (place) {
    case BoardPlace::TopLeft:
        return ExportDialog::tr("Top left");
    case BoardPlace::TopRight:
        return ExportDialog::tr("Top right");
    case BoardPlace::BottomLeft:
        return ExportDialog::tr("Bottom left");
    case BoardPlace::BottomRight:
        return ExportDialog::tr("Bottom right");
    case BoardPlace::Center:
        break;
    }
    return ExportDialog::tr("Centre");
}

QString BackgroundLabel(Background::Kind kind) {
    switch (kind) {
    case Background::Kind::Picture:
        return ExportDialog::tr("Scoreboard picture");
    case Background::Kind::Transparent:
        return ExportDialog::tr("Transparent");
    case Background::Kind::Colour:
        break;
    }
    return ExportDialog::tr("Key colour");
}

ExportDialog::ExportDialog(const ExportSettings& initial,
                           const std::optional<FootageFormat>& footage, QWidget* parent)
    : QDialog(parent), m_footage(footage), m_keyColour(kKeyGreen) {
    chooseColour = [this](const QColor& current) {
        return QColorDialog::getColor(current, this, tr("Key colour"));
    };
    setWindowTitle(tr("Video settings"));
    m_preset = new QComboBox(this);
    for (const ExportPreset& preset : ExportSettings::presets(m_footage)) {
        m_preset->addItem(preset.name);
    }
    m_preset->addItem(tr("Custom"));
    m_format = new QComboBox(this);
    for (const VideoCodec offered : kFormats) {
        m_format->addItem(FormatLabel(offered), static_cast<int>(offered));
    }
    m_size = new QLineEdit(this);
    m_size->setPlaceholderText(tr("320x240 (the board alone)"));
    m_rate = new QComboBox(this);
    m_rate->setEditable(true);
    for (const char* rate :
         {"15", "24", "25", "30", "50", "60", "24000/1001", "30000/1001", "60000/1001"}) {
        m_rate->addItem(QString::fromLatin1(rate));
    }
    if (m_footage) {
        const QString rate = QString::fromStdString(m_footage->rate.toString());
        if (m_rate->findText(rate) < 0) {
            m_rate->addItem(rate);
        }
    }
    m_place = new QComboBox(this);
    for (BoardPlace place : kPlaces) {
        m_place->addItem(BoardPlaceLabel(place), static_cast<int>(place));
    }
    m_background = new QComboBox(this);
    for (Background::Kind kind : kBackgroundKinds) {
        m_background->addItem(BackgroundLabel(kind), static_cast<int>(kind));
    }
    m_colourButton = new QPushButton(this);
    m_colourButton->setToolTip(tr("Choose the key colour"));
    auto* backgroundRow = new QHBoxLayout;
    backgroundRow->addWidget(m_background, 1);
    backgroundRow->addWidget(m_colourButton);
    m_theme = new QComboBox(this);
    for (const std::string& theme : BuiltInThemeNames()) {
        m_theme->addItem(QString::fromStdString(theme));
    }
    m_layout = new QComboBox(this);
    for (BoardLayout layout :
         {BoardLayout::Corner, BoardLayout::LowerThird, BoardLayout::Vertical}) {
        m_layout->addItem(QString::fromLatin1(BoardLayoutName(layout)), static_cast<int>(layout));
    }
    m_problem = new QLabel(this);
    m_preview = new ExportPreview(this);
    m_preview->setToolTip(tr("Preview of the board over the footage"));
    if (m_footage) {
        m_preview->setStill(m_footage->still);
    }

    auto* form = new QFormLayout;
    form->addRow(tr("Preset"), m_preset);
    form->addRow(tr("Format"), m_format);
    form->addRow(tr("Size"), m_size);
    form->addRow(tr("Frames per second"), m_rate);
    form->addRow(tr("Board position"), m_place);
    form->addRow(tr("Background"), backgroundRow);
    form->addRow(tr("Theme"), m_theme);
    form->addRow(tr("Layout"), m_layout);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* fields = new QHBoxLayout;
    fields->addLayout(form);
    fields->addWidget(m_preview, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(fields);
    column->addWidget(m_problem);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);

    showSettings(m_footage ? initial.fittedTo(*m_footage) : initial);
    connect(m_preset, &QComboBox::currentIndexChanged, this, [this](int index) {
        const auto presets = ExportSettings::presets(m_footage);
        if (!m_showing && index >= 0 && index < static_cast<int>(presets.size())) {
            showSettings(presets[static_cast<size_t>(index)].settings);
        }
    });
    connect(m_format, &QComboBox::currentIndexChanged, this, &ExportDialog::fieldsEdited);
    connect(m_place, &QComboBox::currentIndexChanged, this, &ExportDialog::fieldsEdited);
    connect(m_size, &QLineEdit::textEdited, this, &ExportDialog::fieldsEdited);
    connect(m_rate, &QComboBox::currentTextChanged, this, &ExportDialog::fieldsEdited);
    connect(m_background, &QComboBox::currentIndexChanged, this, [this] {
        showColour();
        fieldsEdited();
    });
    connect(m_colourButton, &QPushButton::clicked, this, &ExportDialog::pickColour);
    connect(m_theme, &QComboBox::currentIndexChanged, this, &ExportDialog::fieldsEdited);
    connect(m_layout, &QComboBox::currentIndexChanged, this, &ExportDialog::fieldsEdited);
}

void ExportDialog::showSettings(const ExportSettings& settings) {
    m_showing = true;
    const int preset = settings.presetIndex(m_footage);
    m_preset->setCurrentIndex(preset >= 0 ? preset : m_preset->count() - 1);
    m_format->setCurrentIndex(m_format->findData(static_cast<int>(settings.codec)));
    m_size->setText(SizeText(settings.size));
    m_rate->setCurrentText(QString::fromStdString(settings.rate.toString()));
    m_place->setCurrentIndex(m_place->findData(static_cast<int>(settings.place)));
    m_background->setCurrentIndex(
        m_background->findData(static_cast<int>(settings.background.kind)));
    // The key colour of a picture or transparent background is the last one chosen.
    if (settings.background.kind == Background::Kind::Colour &&
        settings.background.colour.isValid()) {
        m_keyColour = settings.background.colour;
    }
    showColour();
    m_theme->setCurrentIndex(m_theme->findText(settings.theme));
    m_layout->setCurrentIndex(m_layout->findData(static_cast<int>(settings.layout)));
    m_showing = false;
    fieldsEdited();
}

void ExportDialog::showColour() {
    const bool colour =
        m_background->currentData().toInt() == static_cast<int>(Background::Kind::Colour);
    QPixmap swatch(16, 16);
    swatch.fill(m_keyColour);
    QPainter frame(&swatch);
    frame.setPen(palette().color(QPalette::WindowText));
    frame.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    frame.end();
    m_colourButton->setIcon(QIcon(swatch));
    m_colourButton->setText(m_keyColour.name().toUpper());
    m_colourButton->setEnabled(colour);
}

void ExportDialog::pickColour() {
    const QColor chosen = chooseColour(m_keyColour);
    if (!chosen.isValid()) {
        return;
    }
    // A key colour is opaque: the video's key is the colour itself.
    m_keyColour = QColor(chosen.red(), chosen.green(), chosen.blue());
    showColour();
    fieldsEdited();
}

void ExportDialog::fieldsEdited() {
    if (m_showing) {
        return;
    }
    const std::optional<ExportSettings> current = settings();
    if (current) {
        m_preview->setRequest(current->request(QString()));
    }
    m_showing = true;
    if (current) {
        const int preset = current->presetIndex(m_footage);
        m_preset->setCurrentIndex(preset >= 0 ? preset : m_preset->count() - 1);
    } else {
        m_preset->setCurrentIndex(m_preset->count() - 1);
    }
    m_showing = false;
}

std::optional<ExportSettings> ExportDialog::settings() const {
    ExportSettings settings;
    settings.codec = static_cast<VideoCodec>(m_format->currentData().toInt());
    const QString size = m_size->text().trimmed();
    if (!size.isEmpty()) {
        const std::optional<QSize> parsed = ParseFrameSize(size.toStdString());
        if (!parsed) {
            return std::nullopt;
        }
        settings.size = *parsed;
    } else {
        settings.scale = 1;
    }
    const std::optional<FrameRate> rate = FrameRate::parse(m_rate->currentText().toStdString());
    if (!rate) {
        return std::nullopt;
    }
    settings.rate = *rate;
    settings.background.kind = static_cast<Background::Kind>(m_background->currentData().toInt());
    if (settings.background.kind == Background::Kind::Colour) {
        settings.background.colour = m_keyColour;
    }
    settings.place = static_cast<BoardPlace>(m_place->currentData().toInt());
    settings.theme = m_theme->currentText();
    settings.layout = static_cast<BoardLayout>(m_layout->currentData().toInt());
    return settings;
}

void ExportDialog::accept() {
    const std::optional<ExportSettings> current = settings();
    if (!current) {
        m_problem->setText(tr("Size or frames per second is not valid."));
        return;
    }
    if (current->background.kind == Background::Kind::Transparent &&
        !CodecKeepsAlpha(current->codec)) {
        m_problem->setText(tr("This format has no transparency: choose a colour background."));
        return;
    }
    QDialog::accept();
}

std::optional<ExportSettings> ChooseExportSettings(const ExportSettings& last,
                                                   const std::optional<FootageFormat>& footage,
                                                   QWidget* parent) {
    ExportDialog dialog(last, footage, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const std::optional<ExportSettings> chosen = dialog.settings();
    if (chosen) {
        QSettings store(QStringLiteral("Vorlat"), QStringLiteral("Vorlat"));
        chosen->save(store);
    }
    return chosen;
}

QString ExportLengthStatus(const Match& match, const ExportRequest& request) {
    const ExportPlan plan = PlanExport(match, request);
    const int64_t tenths = plan.lengthMs / 100;
    const QString length = QStringLiteral("%1:%2.%3")
                               .arg(tenths / 600)
                               .arg(tenths / 10 % 60, 2, 10, QLatin1Char('0'))
                               .arg(tenths % 10);
    return ExportDialog::tr("Video length %1 (%2 frames at %3 fps)")
        .arg(length)
        .arg(plan.frames)
        .arg(QString::fromStdString(plan.rate.toString()));
}

QString ExportPathWithSuffix(const QString& path, const ExportSettings& settings) {
    if (path.isEmpty()) {
        return path;
    }
    const QFileInfo info(path);
    if (info.suffix().compare(settings.suffix(), Qt::CaseInsensitive) == 0) {
        return path;
    }
    const int cut = path.size() - info.fileName().size();
    return path.left(cut) + info.completeBaseName() + QLatin1Char('.') + settings.suffix();
}

QString ExportPathBesideScore(const QString& scorePath, const ExportSettings& settings) {
    if (scorePath.isEmpty()) {
        return scorePath;
    }
    const QFileInfo info(scorePath);
    return info.absoluteDir().filePath(info.completeBaseName() + QLatin1Char('.') +
                                       settings.suffix());
}

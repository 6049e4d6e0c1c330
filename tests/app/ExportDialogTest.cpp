#include "app/ExportDialog.h"
#include "app/ExportPreview.h"

#include "EngineLog.h"
#include "FootageMaker.h"
#include "RunProgram.h"
#include "ShortMatch.h"
#include "TestSupport.h"
#include "app/Language.h"
#include "app/MainWindow.h"
#include "app/PlayerWindow.h"
#include "app/Texts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The export settings: presets, the dialog's fields, what is remembered, and the window's
// export through them.

namespace {

// ffprobe's codec, size, pixel format and decoded frame count of the first video stream.
std::string Probe(const std::string& path) {
    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 "
                                "-show_entries stream=codec_name,width,height,pix_fmt,"
                                "nb_read_frames -of csv=p=0 '" +
                                path + "'";
    std::string out = RunShell(command).out;
    while (!out.empty() && (out.back() == '\n' || out.back() == ',')) {
        out.pop_back();
    }
    return out;
}

struct PresetCase {
    int index;
    VideoCodec codec;
    QSize size; // empty: the board's own
    Background::Kind background;
    const char* suffix;
    BoardDesign design; // the AVI the classic board, the formats for editors the broadcast one
};

TEST(ExportSettingsTest, PresetsMakeTheirVideos) {
    ASSERT_EQ(SetApplicationLanguage(QStringLiteral("en")).toStdString(), "en");
    const std::vector<PresetCase> cases = {
        {0, VideoCodec::Video1, QSize(), Background::Kind::Picture, "avi", BoardDesign::Classic},
        {1, VideoCodec::ProRes, QSize(1920, 1080), Background::Kind::Transparent, "mov",
         BoardDesign::Broadcast},
        {2, VideoCodec::H264, QSize(1920, 1080), Background::Kind::Colour, "mp4",
         BoardDesign::Broadcast},
        {3, VideoCodec::ProRes, QSize(3840, 2160), Background::Kind::Transparent, "mov",
         BoardDesign::Broadcast},
        {4, VideoCodec::VP9, QSize(1920, 1080), Background::Kind::Transparent, "webm",
         BoardDesign::Broadcast},
    };
    const auto presets = ExportSettings::presets();
    ASSERT_EQ(presets.size(), cases.size());
    EXPECT_EQ(presets[0].name.toStdString(), "320x240 AVI (classic)");
    for (const PresetCase& c : cases) {
        const ExportSettings& settings = presets[static_cast<size_t>(c.index)].settings;
        const ExportRequest request = settings.request(QStringLiteral("v"));
        EXPECT_EQ(request.codec, c.codec) << c.index;
        EXPECT_EQ(request.frameSize, c.size) << c.index;
        EXPECT_EQ(request.render.background.kind, c.background) << c.index;
        EXPECT_EQ(settings.suffix().toStdString(), c.suffix) << c.index;
        EXPECT_EQ(request.render.design, c.design) << c.index;
        EXPECT_EQ(settings.presetIndex(), c.index);
    }
    // The classic default is today's video: the board at scale 1, 15 fps.
    const ExportRequest classic = ExportSettings().request(QStringLiteral("v.avi"));
    EXPECT_EQ(ExportSettings::presets()[0].settings.request(QStringLiteral("v.avi")).render.scale,
              1.0);
    EXPECT_EQ(classic.rate, (FrameRate{15, 1}));
    EXPECT_TRUE(classic.frameSize.isEmpty());
    // 1080 lines: the board at 1.5 (360 lines, a third).
    EXPECT_EQ(presets[1].settings.request(QStringLiteral("v")).render.scale, 1.5);
}

TEST(ExportSettingsTest, RememberedBetweenRunsAndJunkFallsBackToTheClassic) {
    TempDir dir;
    const QString file = QString::fromStdString(dir.File("settings.ini"));
    ExportSettings custom = ExportSettings::presets()[2].settings;
    custom.size = QSize(1280, 720);
    custom.place = BoardPlace::TopRight;
    custom.rate = FrameRate{30000, 1001};
    {
        QSettings store(file, QSettings::IniFormat);
        custom.save(store);
    }
    {
        QSettings store(file, QSettings::IniFormat);
        EXPECT_EQ(ExportSettings::load(store), custom);
    }
    {
        QSettings store(file, QSettings::IniFormat);
        store.setValue("export/format", "divx");
        store.setValue("export/size", "huge");
        store.setValue("export/rate", "-3");
        store.setValue("export/background", "plaid");
        store.setValue("export/scale", 99);
    }
    QSettings store(file, QSettings::IniFormat);
    ExportSettings expected = ExportSettings::presets()[0].settings;
    // Still valid settings: the place, and the editors' preset's broadcast board.
    expected.place = BoardPlace::TopRight;
    ASSERT_EQ(custom.theme, QStringLiteral("broadcast"));
    expected.theme = custom.theme;
    EXPECT_EQ(ExportSettings::load(store), expected);
}

TEST(ExportSettingsTest, FileNamesFollowTheFormat) {
    ExportSettings png;
    png.codec = VideoCodec::PNG;
    EXPECT_EQ(png.completePath("/v/match.png").toStdString(), "/v/match_%05d.png");
    EXPECT_EQ(png.completePath("/v/f%03d.png").toStdString(), "/v/f%03d.png");
    EXPECT_EQ(png.completePath("").toStdString(), "");
    ExportSettings mov = ExportSettings::presets()[1].settings;
    EXPECT_EQ(ExportPathWithSuffix("/v/match.avi", mov).toStdString(), "/v/match.mov");
    EXPECT_EQ(ExportPathWithSuffix("/v/match.MOV", mov).toStdString(), "/v/match.MOV");
    EXPECT_EQ(ExportPathWithSuffix("", mov).toStdString(), "");
}

TEST(ExportDialogTest, PresetsFillTheFieldsAndEditsMakeThemCustom) {
    ExportDialog dialog(ExportSettings::presets()[0].settings);
    EXPECT_EQ(dialog.presetBox().currentIndex(), 0);
    dialog.presetBox().setCurrentIndex(3);
    EXPECT_EQ(dialog.sizeEdit().text().toStdString(), "3840x2160");
    EXPECT_EQ(dialog.backgroundBox().currentData().toInt(),
              static_cast<int>(Background::Kind::Transparent));
    EXPECT_FALSE(dialog.colourButton().isEnabled());
    ASSERT_TRUE(dialog.settings());
    EXPECT_EQ(*dialog.settings(), ExportSettings::presets()[3].settings);

    dialog.sizeEdit().setText("2560x1440");
    emit dialog.sizeEdit().textEdited("2560x1440");
    EXPECT_EQ(dialog.presetBox().currentIndex(), dialog.presetBox().count() - 1); // custom
    ASSERT_TRUE(dialog.settings());
    EXPECT_EQ(dialog.settings()->size, QSize(2560, 1440));

    // What is not a setting keeps the dialog open with a word why.
    dialog.show();
    dialog.sizeEdit().setText("big");
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.problemLabel().text().isEmpty());
    dialog.sizeEdit().setText("1920x1080");
    dialog.formatBox().setCurrentIndex(
        dialog.formatBox().findData(static_cast<int>(VideoCodec::H264)));
    dialog.accept(); // H.264 with a transparent background
    EXPECT_TRUE(dialog.isVisible());
    dialog.backgroundBox().setCurrentIndex(
        dialog.backgroundBox().findData(static_cast<int>(Background::Kind::Colour)));
    EXPECT_TRUE(dialog.colourButton().isEnabled());
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// The places and backgrounds are words, each giving its setting; the key colour comes from
// the picker, and a cancelled picker keeps the colour there was.
TEST(ExportDialogTest, PlaceAndBackgroundAreWordsWithAColourPicker) {
    ASSERT_EQ(SetApplicationLanguage(QStringLiteral("en")).toStdString(), "en");
    ExportDialog dialog(ExportSettings::presets()[2].settings);
    const struct {
        BoardPlace place;
        const char* word;
    } places[] = {{BoardPlace::BottomLeft, "Bottom left"},
                  {BoardPlace::BottomRight, "Bottom right"},
                  {BoardPlace::TopLeft, "Top left"},
                  {BoardPlace::TopRight, "Top right"},
                  {BoardPlace::Center, "Centre"}};
    ASSERT_EQ(dialog.placeBox().count(), 5);
    for (const auto& c : places) {
        const int index = dialog.placeBox().findText(c.word);
        ASSERT_GE(index, 0) << c.word;
        dialog.placeBox().setCurrentIndex(index);
        ASSERT_TRUE(dialog.settings());
        EXPECT_EQ(dialog.settings()->place, c.place) << c.word;
    }
    const struct {
        Background::Kind kind;
        const char* word;
    } kinds[] = {{Background::Kind::Picture, "Scoreboard picture"},
                 {Background::Kind::Transparent, "Transparent"},
                 {Background::Kind::Colour, "Key colour"}};
    ASSERT_EQ(dialog.backgroundBox().count(), 3);
    for (const auto& c : kinds) {
        const int index = dialog.backgroundBox().findText(c.word);
        ASSERT_GE(index, 0) << c.word;
        dialog.backgroundBox().setCurrentIndex(index);
        ASSERT_TRUE(dialog.settings());
        EXPECT_EQ(dialog.settings()->background.kind, c.kind) << c.word;
        EXPECT_EQ(dialog.colourButton().isEnabled(), c.kind == Background::Kind::Colour);
    }

    // The green screen preset's green is where the picker starts.
    std::vector<QColor> offered;
    QColor answer(0xFF, 0x00, 0xFF);
    dialog.chooseColour = [&](const QColor& current) {
        offered.push_back(current);
        return answer;
    };
    dialog.colourButton().click();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0], QColor(0x00, 0xB1, 0x40));
    ASSERT_TRUE(dialog.settings());
    EXPECT_EQ(dialog.settings()->background.colour, QColor(0xFF, 0x00, 0xFF));
    EXPECT_EQ(dialog.colourButton().text().toStdString(), "#FF00FF");
    EXPECT_EQ(dialog.presetBox().currentIndex(), dialog.presetBox().count() - 1); // custom
    answer = QColor();                                                            // cancelled
    dialog.colourButton().click();
    EXPECT_EQ(dialog.settings()->background.colour, QColor(0xFF, 0x00, 0xFF));

    // Remembered as the colour itself, read back the same.
    TempDir dir;
    QSettings store(QString::fromStdString(dir.File("s.ini")), QSettings::IniFormat);
    dialog.settings()->save(store);
    EXPECT_EQ(ExportSettings::load(store).background,
              (Background{Background::Kind::Colour, QColor(0xFF, 0x00, 0xFF)}));
}

TEST(ExportSettingsTest, FootageFormatOnlyFromWhatAnExportCanMake) {
    const struct {
        int width, height;
        int64_t num, den;
        bool usable;
    } cases[] = {
        {1280, 720, 30000, 1001, true}, {1920, 1080, 25, 1, true},  {640, 360, 240, 1, true},
        {640, 360, 1, 1, true},         {0, 720, 30, 1, false},     {1280, 0, 30, 1, false},
        {1280, 720, 0, 1, false},       {1280, 720, 241, 1, false}, {1280, 720, 1, 2, false},
        {9000, 720, 30, 1, false},      {1280, 720, 30, 0, false},
    };
    for (const auto& c : cases) {
        const auto format = FootageFormat::from(c.width, c.height, c.num, c.den);
        EXPECT_EQ(format.has_value(), c.usable) << c.width << "x" << c.height << " " << c.num;
        if (format) {
            EXPECT_EQ(format->size, QSize(c.width, c.height));
            EXPECT_EQ(format->rate, (FrameRate{c.num, c.den}));
        }
    }
}

// With 29.97 fps 1280x720 footage every overlay preset and the user's own settings take its
// rate and size; the classic AVI stays the board alone.
TEST(ExportDialogTest, PresetsAndCustomSettingsTakeTheFootagesRateAndSize) {
    const FootageFormat footage{QSize(1280, 720), FrameRate{30000, 1001}, QImage()};
    const auto presets = ExportSettings::presets(footage);
    ASSERT_GE(presets.size(), 4u);
    EXPECT_EQ(presets[0].settings, ExportSettings::presets()[0].settings);
    std::vector<VideoCodec> formats;
    for (size_t i = 1; i < presets.size(); ++i) {
        const ExportSettings& preset = presets[i].settings;
        EXPECT_EQ(preset.size, QSize(1280, 720)) << i;
        EXPECT_EQ(preset.rate, (FrameRate{30000, 1001})) << i;
        EXPECT_NE(presets[i].name.indexOf("1280x720"), -1) << presets[i].name.toStdString();
        EXPECT_EQ(preset.presetIndex(footage), static_cast<int>(i));
        // 720 lines: the board at one third of the height.
        EXPECT_EQ(preset.request("v").render.scale, 1.0) << i;
        formats.push_back(preset.codec);
    }
    EXPECT_EQ(formats,
              (std::vector<VideoCodec>{VideoCodec::ProRes, VideoCodec::H264, VideoCodec::VP9}));

    // Last time's 1080p green screen opens as the footage's.
    ExportDialog dialog(ExportSettings::presets()[2].settings, footage);
    EXPECT_EQ(dialog.sizeEdit().text().toStdString(), "1280x720");
    EXPECT_EQ(dialog.rateBox().currentText().toStdString(), "30000/1001");
    EXPECT_EQ(dialog.presetBox().currentIndex(), 2);
    ASSERT_TRUE(dialog.settings());
    EXPECT_EQ(*dialog.settings(), presets[2].settings);
    // So do custom settings; everything else of theirs stays.
    ExportSettings custom = ExportSettings::presets()[4].settings;
    custom.size = QSize(640, 480);
    custom.rate = FrameRate{60, 1};
    custom.place = BoardPlace::TopRight;
    ExportDialog customDialog(custom, footage);
    ASSERT_TRUE(customDialog.settings());
    ExportSettings expected = custom;
    expected.size = QSize(1280, 720);
    expected.rate = FrameRate{30000, 1001};
    expected.scale = 0;
    EXPECT_EQ(*customDialog.settings(), expected);
    EXPECT_EQ(customDialog.presetBox().currentIndex(), customDialog.presetBox().count() - 1);
    // The classic AVI stays itself; the presets' list gives the footage's ones.
    ExportDialog classic(ExportSettings::presets()[0].settings, footage);
    EXPECT_EQ(classic.presetBox().currentIndex(), 0);
    EXPECT_EQ(classic.sizeEdit().text().toStdString(), "");
    classic.presetBox().setCurrentIndex(1);
    EXPECT_EQ(classic.sizeEdit().text().toStdString(), "1280x720");
    EXPECT_EQ(classic.rateBox().currentText().toStdString(), "30000/1001");
}

// The preview follows every field at once: each step of the table must change its picture.
TEST(ExportDialogTest, PreviewFollowsThemeLayoutPlaceAndSize) {
    ExportDialog dialog(ExportSettings::presets()[1].settings);
    struct Step {
        const char* what;
        std::function<void()> change;
    };
    const std::vector<Step> steps = {
        {"theme light", [&] { dialog.themeBox().setCurrentText(QStringLiteral("light")); }},
        {"place top right",
         [&] {
             dialog.placeBox().setCurrentIndex(
                 dialog.placeBox().findData(static_cast<int>(BoardPlace::TopRight)));
         }},
        {"layout lower third",
         [&] {
             dialog.layoutBox().setCurrentIndex(
                 dialog.layoutBox().findData(static_cast<int>(BoardLayout::LowerThird)));
         }},
        {"theme classic", [&] { dialog.themeBox().setCurrentText(QStringLiteral("classic")); }},
        {"classic placed bottom left",
         [&] {
             dialog.placeBox().setCurrentIndex(
                 dialog.placeBox().findData(static_cast<int>(BoardPlace::BottomLeft)));
         }},
        {"phone size",
         [&] {
             dialog.sizeEdit().setText(QStringLiteral("1080x1920"));
             emit dialog.sizeEdit().textEdited(dialog.sizeEdit().text());
         }},
    };
    QImage before = dialog.preview().picture();
    ASSERT_FALSE(before.isNull());
    EXPECT_EQ(before.size(), QSize(400, 225));
    for (const Step& step : steps) {
        step.change();
        const QImage after = dialog.preview().picture();
        EXPECT_NE(after, before) << step.what;
        before = after;
    }
    EXPECT_EQ(before.size(), QSize(127, 225)); // 1080 x 1920 fitted into the preview's box
}

// Away from the board the preview shows what the export lies over: a checker without
// footage, the footage's frame with it.
TEST(ExportDialogTest, PreviewDrawsOverACheckerOrTheFootage) {
    ExportSettings transparent = ExportSettings::presets()[1].settings;
    transparent.theme = QStringLiteral("broadcast");
    ExportDialog bare(transparent);
    const QImage checker = bare.preview().picture();
    // Where the broadcast board sits, the checker is hidden by its panel.
    EXPECT_NE(checker.pixel(checker.width() / 8, checker.height() * 7 / 8), qRgb(0xCC, 0xCC, 0xCC));
    std::set<QRgb> top;
    for (int x = 0; x < checker.width(); ++x) {
        top.insert(checker.pixel(x, 0));
    }
    EXPECT_EQ(top, (std::set<QRgb>{qRgb(0xCC, 0xCC, 0xCC), qRgb(0x99, 0x99, 0x99)}));

    FootageFormat footage{QSize(1280, 720), FrameRate{25, 1}, QImage(64, 36, QImage::Format_RGB32)};
    footage.still.fill(qRgb(0xE0, 0x20, 0xA0));
    ExportDialog withFootage(transparent, footage);
    const QImage over = withFootage.preview().picture();
    EXPECT_EQ(over.pixel(over.width() - 2, 1), qRgb(0xE0, 0x20, 0xA0));
    // The board itself is drawn over it, bottom left.
    EXPECT_NE(over.pixel(over.width() / 8, over.height() * 7 / 8), qRgb(0xE0, 0x20, 0xA0));
}

TEST(ExportSettingsTest, SuggestedNameSitsBesideTheScoreFile) {
    const ExportSettings mov = ExportSettings::presets()[1].settings;
    EXPECT_EQ(ExportPathBesideScore("/m/final.txt", mov).toStdString(), "/m/final.mov");
    EXPECT_EQ(ExportPathBesideScore("/m/a.b.txt", ExportSettings()).toStdString(), "/m/a.b.avi");
    EXPECT_EQ(ExportPathBesideScore("", mov).toStdString(), "");
}

// The window's export through the settings: the length in the status line while the file
// is chosen, the video as the settings say, the score file refused with its reason.
class WindowExport : public testing::Test {
protected:
    void SetUp() override {
        // The boxes' English words.
        ASSERT_EQ(SetApplicationLanguage(QStringLiteral("en")).toStdString(), "en");
        m_score = m_dir.File("match.txt");
        WriteBytes(m_score, kShortMatch);
        m_window = std::make_unique<MainWindow>();
        m_window->showNotice = [this](const Notice& notice) {
            m_notices.push_back(notice.text.toStdString());
            return true;
        };
        m_window->chooseScoreFile = [this](const QString&) {
            return QString::fromStdString(m_score);
        };
        m_window->chooseVideoFile = [this](const QString& initial) {
            m_suggested.push_back(initial.toStdString());
            m_statusWhileChoosing = m_window->statusText().toStdString();
            return QString::fromStdString(m_video);
        };
        m_window->show();
        m_window->loadButton().click();
        ASSERT_TRUE(WaitUntil([&] { return m_window->match().count() == 5; }));
    }
    void TearDown() override { m_window.reset(); }

    void ExportWith(const ExportSettings& settings) {
        m_window->chooseExportSettings = [this, settings](const ExportSettings&,
                                                          const std::optional<FootageFormat>& f) {
            m_footageSeen.push_back(f);
            return settings;
        };
        m_window->exportButton().click();
        ASSERT_TRUE(WaitUntil([&] { return !m_notices.empty(); }, 60000));
    }

    TempDir m_dir;
    std::string m_score;
    std::string m_video;
    std::unique_ptr<MainWindow> m_window;
    std::vector<std::string> m_notices;
    std::string m_statusWhileChoosing;
    std::vector<std::string> m_suggested;
    std::vector<std::optional<FootageFormat>> m_footageSeen;
};

TEST_F(WindowExport, WritesTheFormatOfTheSettingsAndShowsTheLengthFirst) {
    ExportSettings settings;
    settings.codec = VideoCodec::FFV1;
    settings.size = QSize(640, 360);
    settings.rate = FrameRate{25, 1};
    settings.background = Background{Background::Kind::Transparent, {}};
    m_video = m_dir.File("match.mkv");
    ExportWith(settings);
    // 3000 ms + 10 s at 25 fps.
    EXPECT_EQ(m_statusWhileChoosing, "Video length 0:13.0 (325 frames at 25 fps)");
    EXPECT_EQ(m_notices, std::vector<std::string>{kExportDoneText});
    EXPECT_EQ(Probe(m_video), "ffv1,640,360,bgra,325");
    // The first video of a score file is suggested beside it; no footage is open.
    EXPECT_EQ(m_suggested, std::vector<std::string>{m_dir.File("match.mkv")});
    EXPECT_EQ(m_footageSeen, std::vector<std::optional<FootageFormat>>{std::nullopt});
}

// With 29.97 fps footage open in the player, the settings dialog is given its rate and size,
// and a later export of the same score file starts from the last name chosen.
TEST_F(WindowExport, SettingsAreGivenTheFootageAndTheLastNameIsSuggestedAgain) {
    const std::string footage = m_dir.File("clip.mp4");
    std::string errors;
    ASSERT_TRUE(videotest::MakeMedia(
        footage, "-f lavfi -i testsrc2=size=320x180:rate=30000/1001:duration=1 -pix_fmt yuv420p",
        &errors))
        << errors;
    ASSERT_TRUE(m_window->player().openFootage(QString::fromStdString(footage)));
    ExportSettings settings = ExportSettings::presets()[0].settings;
    m_video = m_dir.File("elsewhere/first.avi");
    std::filesystem::create_directory(m_dir.File("elsewhere"));
    ExportWith(settings);
    ASSERT_TRUE(WaitUntil([&] { return m_window->run() == EngineMode::Idle; }));
    settings.codec = VideoCodec::FFV1;
    settings.size = QSize(320, 180);
    settings.scale = 0; // the board's scale for that size
    m_video = m_dir.File("elsewhere/second.mkv");
    m_notices.clear();
    ExportWith(settings);
    EXPECT_EQ(m_notices, std::vector<std::string>{kExportDoneText});
    ASSERT_EQ(m_footageSeen.size(), 2u);
    ASSERT_TRUE(m_footageSeen[0]);
    EXPECT_EQ(m_footageSeen[0]->size, QSize(320, 180));
    EXPECT_EQ(m_footageSeen[0]->rate, (FrameRate{30000, 1001}));
    // The dialog's preview draws over a frame of that footage.
    EXPECT_EQ(m_footageSeen[0]->still.size(), QSize(320, 180));
    EXPECT_EQ(m_suggested, (std::vector<std::string>{m_dir.File("match.avi"),
                                                     m_dir.File("elsewhere/first.mkv")}));
}

TEST_F(WindowExport, RefusesTheScoreFileWithTheReasonOnASecondLine) {
    for (const std::string& target : {m_score, m_dir.File("link.avi")}) {
        if (target != m_score) {
            std::filesystem::create_symlink(m_score, target);
        }
        m_video = target;
        m_notices.clear();
        ExportWith(ExportSettings::presets()[0].settings);
        ASSERT_EQ(m_notices.size(), 1u);
        const std::string& text = m_notices[0];
        const std::string first = std::string(kExportErrorText) + "\n";
        EXPECT_EQ(text.substr(0, first.size()), first) << text;
        EXPECT_NE(text.find("score file", first.size()), std::string::npos) << text;
        EXPECT_NE(text.find(target), std::string::npos) << text;
        ASSERT_TRUE(WaitUntil([&] { return m_window->run() == EngineMode::Idle; }));
    }
    EXPECT_EQ(ReadBytes(m_score), kShortMatch);
}

} // namespace

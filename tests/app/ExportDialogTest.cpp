#include "app/ExportDialog.h"

#include "EngineLog.h"
#include "ShortMatch.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "app/Texts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
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
                                path + "' 2>/dev/null";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        ::pclose(pipe);
    }
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
};

TEST(ExportSettingsTest, PresetsMakeTheirVideos) {
    const std::vector<PresetCase> cases = {
        {0, VideoCodec::Video1, QSize(), Background::Kind::Picture, "avi"},
        {1, VideoCodec::ProRes, QSize(1920, 1080), Background::Kind::Transparent, "mov"},
        {2, VideoCodec::H264, QSize(1920, 1080), Background::Kind::Colour, "mp4"},
        {3, VideoCodec::ProRes, QSize(3840, 2160), Background::Kind::Transparent, "mov"},
        {4, VideoCodec::VP9, QSize(1920, 1080), Background::Kind::Transparent, "webm"},
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
    expected.place = BoardPlace::TopRight; // still a valid setting
    EXPECT_EQ(ExportSettings::load(store), expected);
}

TEST(ExportSettingsTest, FileNamesFollowTheFormat) {
    ExportSettings png;
    png.format = ExportSettings::Format::PngSequence;
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
    EXPECT_EQ(dialog.backgroundBox().currentText().toStdString(), "transparent");
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
        dialog.formatBox().findData(static_cast<int>(ExportSettings::Format::Mp4)));
    dialog.accept(); // H.264 with a transparent background
    EXPECT_TRUE(dialog.isVisible());
    dialog.backgroundBox().setCurrentText("#00B140");
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// The window's export through the settings: the length in the status line while the file
// is chosen, the video as the settings say, the score file refused with its reason.
class WindowExport : public testing::Test {
protected:
    void SetUp() override {
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
        m_window->chooseVideoFile = [this](const QString&) {
            m_statusWhileChoosing = m_window->statusText().toStdString();
            return QString::fromStdString(m_video);
        };
        m_window->show();
        m_window->loadButton().click();
        ASSERT_TRUE(WaitUntil([&] { return m_window->match().count() == 5; }));
    }
    void TearDown() override { m_window.reset(); }

    void ExportWith(const ExportSettings& settings) {
        m_window->chooseExportSettings = [settings](const ExportSettings&) { return settings; };
        m_window->exportButton().click();
        ASSERT_TRUE(WaitUntil([&] { return !m_notices.empty(); }, 60000));
    }

    TempDir m_dir;
    std::string m_score;
    std::string m_video;
    std::unique_ptr<MainWindow> m_window;
    std::vector<std::string> m_notices;
    std::string m_statusWhileChoosing;
};

TEST_F(WindowExport, WritesTheFormatOfTheSettingsAndShowsTheLengthFirst) {
    ExportSettings settings;
    settings.format = ExportSettings::Format::Mkv;
    settings.size = QSize(640, 360);
    settings.rate = FrameRate{25, 1};
    settings.background = Background{Background::Kind::Transparent, {}};
    m_video = m_dir.File("match.mkv");
    ExportWith(settings);
    // 3000 ms + 10 s at 25 fps.
    EXPECT_EQ(m_statusWhileChoosing, "Video length 0:13.0 (325 frames at 25 fps)");
    EXPECT_EQ(m_notices, std::vector<std::string>{kExportDoneText});
    EXPECT_EQ(Probe(m_video), "ffv1,640,360,bgra,325");
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

#include "render/Theme.h"

#include <QColor>
#include <QFile>
#include <QString>

#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>

// Resources compiled into a static library are only registered when asked for by name, and
// Q_INIT_RESOURCE must be used outside any namespace.
static void InitThemeResources() {
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(vorlat_render); });
}

namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string_view::npos ? text.size() : comma;
        const std::string_view item = Trim(text.substr(start, end - start));
        if (!item.empty()) {
            items.emplace_back(item);
        }
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    return items;
}

std::optional<QRgb> ParseColour(std::string_view text) {
    if (text.size() != 7 || text[0] != '#') {
        return std::nullopt;
    }
    const QColor colour(QString::fromLatin1(text.data(), 7));
    if (!colour.isValid()) {
        return std::nullopt;
    }
    return colour.rgb() | 0xFF000000;
}

std::optional<double> ParseFraction(std::string_view text, double max) {
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(value) || value < 0.0 ||
        value > max) {
        return std::nullopt;
    }
    return value;
}

// One key's value into the theme; false when the value is not one the key takes.
bool Apply(Theme& theme, std::string_view key, std::string_view value) {
    const std::map<std::string_view, QRgb*> colours = {
        {"panel", &theme.panel},       {"panel-alt", &theme.panelAlt},
        {"text", &theme.text},         {"muted", &theme.muted},
        {"accent", &theme.accent},     {"accent-text", &theme.accentText},
        {"marker", &theme.marker},     {"player1", &theme.player[0]},
        {"player2", &theme.player[1]},
    };
    if (const auto it = colours.find(key); it != colours.end()) {
        const auto colour = ParseColour(value);
        if (colour) {
            *it->second = *colour;
        }
        return colour.has_value();
    }
    if (key == "design") {
        if (value != "broadcast" && value != "classic") {
            return false;
        }
        theme.design = value == "classic" ? Theme::Design::Classic : Theme::Design::Broadcast;
        return true;
    }
    if (key == "panel-opacity" || key == "radius") {
        const auto fraction = ParseFraction(value, key == "radius" ? 0.5 : 1.0);
        if (fraction) {
            (key == "radius" ? theme.radius : theme.opacity) = *fraction;
        }
        return fraction.has_value();
    }
    if (key == "font") {
        theme.font = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
        return !value.empty();
    }
    if (key == "show") {
        theme.showHeader = theme.showVisit = theme.showCheckout = theme.showStats = false;
        for (const std::string& part : SplitList(value)) {
            if (part == "header") {
                theme.showHeader = true;
            } else if (part == "visit") {
                theme.showVisit = true;
            } else if (part == "checkout") {
                theme.showCheckout = true;
            } else if (part == "stats") {
                theme.showStats = true;
            } else if (part != "none") {
                return false;
            }
        }
        return true;
    }
    if (key == "events") {
        static const std::map<std::string_view, BoardEvent> names = {
            {"180", BoardEvent::OneEighty}, {"ton", BoardEvent::Ton}, {"bust", BoardEvent::Bust},
            {"leg", BoardEvent::Leg},       {"set", BoardEvent::Set}, {"match", BoardEvent::Match},
        };
        theme.events = 0;
        for (const std::string& part : SplitList(value)) {
            if (const auto it = names.find(part); it != names.end()) {
                theme.events |= EventBit(it->second);
            } else if (part != "none") {
                return false;
            }
        }
        return true;
    }
    return false;
}

Result<Theme> ParseOver(Theme theme, std::string_view text) {
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        const size_t eq = line.find('=');
        const std::string_view key = Trim(line.substr(0, eq));
        const std::string_view value =
            eq == std::string_view::npos ? std::string_view() : Trim(line.substr(eq + 1));
        if (eq == std::string_view::npos || !Apply(theme, key, value)) {
            return Failure({}, MessageId::ThemeBadLine,
                           {std::to_string(lineNumber), std::string(line)});
        }
    }
    return theme;
}

std::optional<std::string> ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll().toStdString();
}

} // namespace

std::vector<std::string> BuiltInThemeNames() {
    return {"broadcast", "light", "classic"};
}

std::optional<Theme> BuiltInTheme(std::string_view name) {
    bool known = false;
    for (const std::string& builtIn : BuiltInThemeNames()) {
        known = known || builtIn == name;
    }
    if (!known) {
        return std::nullopt;
    }
    InitThemeResources();
    const QString base = QStringLiteral(":/vorlat/themes/");
    const auto broadcastText = ReadFile(base + QStringLiteral("broadcast.theme"));
    const auto text = ReadFile(base + QString::fromLatin1(name.data(), name.size()) + ".theme");
    if (!broadcastText || !text) {
        return std::nullopt;
    }
    Result<Theme> theme = ParseOver(Theme{}, *broadcastText);
    if (theme && name != "broadcast") {
        theme = ParseOver(theme.value(), *text);
    }
    if (!theme) {
        return std::nullopt;
    }
    theme.value().name = std::string(name);
    return theme.value();
}

Result<Theme> ParseTheme(std::string_view text) {
    const std::optional<Theme> base = BuiltInTheme("broadcast");
    if (!base) {
        return Failure({}, MessageId::ThemesMissing);
    }
    return ParseOver(*base, text);
}

Result<Theme> LoadTheme(const std::string& nameOrPath) {
    if (auto builtIn = BuiltInTheme(nameOrPath)) {
        return *builtIn;
    }
    const auto text = ReadFile(QString::fromStdString(nameOrPath));
    if (!text) {
        return Failure(nameOrPath, MessageId::ThemeUnknown);
    }
    Result<Theme> theme = ParseTheme(*text);
    if (!theme) {
        ScoreError error = theme.error();
        error.path = nameOrPath;
        return error;
    }
    const size_t slash = nameOrPath.find_last_of('/');
    theme.value().name = slash == std::string::npos ? nameOrPath : nameOrPath.substr(slash + 1);
    return theme;
}

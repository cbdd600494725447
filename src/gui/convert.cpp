#include "gui/convert.hpp"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QPixmap>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <cstdint>

#include "gui/rich/rich_support.hpp"

namespace gui {

QRect to_pixel_rect(float left, float top, float width, float height) {
  return {rich::twips_to_pixels(left), rich::twips_to_pixels(top),
          std::max(0, rich::twips_to_pixels(width)), std::max(0, rich::twips_to_pixels(height))};
}

namespace {

struct SystemColour {
  int index;
  QPalette::ColorRole role;
};

// The scheme colours the console's windows may name, by their desktop index.
constexpr SystemColour kSystemColours[] = {
    {0x05, QPalette::Base},        {0x08, QPalette::Text},
    {0x0D, QPalette::Highlight},   {0x0E, QPalette::HighlightedText},
    {0x0F, QPalette::Button},      {0x10, QPalette::Dark},
    {0x11, QPalette::Mid},         {0x12, QPalette::ButtonText},
    {0x14, QPalette::Light},       {0x17, QPalette::ToolTipText},
    {0x18, QPalette::ToolTipBase},
};

}  // namespace

QColor to_qcolor(ui::Colour colour) {
  const auto bits = static_cast<std::uint32_t>(colour);
  if ((bits & 0x80000000U) != 0) {
    const int index = static_cast<int>(bits & 0xFFU);
    const QPalette palette = QGuiApplication::palette();
    for (const auto& entry : kSystemColours) {
      if (entry.index == index) return palette.color(entry.role);
    }
    return palette.color(QPalette::Window);
  }
  return rich::to_qcolor(colour);
}

QString qt_file_filter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    // Qt reads the patterns from a trailing "(...)": the description's own copy is dropped,
    // and taken as the patterns when the filter gives none ("comma spaced value (*.csv)|").
    QString described;
    if (description.endsWith(QLatin1Char(')'))) {
      const qsizetype open = description.lastIndexOf(QLatin1Char('('));
      if (open >= 0) {
        described = description.mid(open + 1, description.size() - open - 2);
        description = description.left(open).trimmed();
      }
    }
    QString pattern_text = parts[i + 1];
    if (pattern_text.trimmed().isEmpty()) pattern_text = described;
    QStringList patterns =
        pattern_text.split(QRegularExpression(QStringLiteral("[; ]")), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      // "*.*" means every file on the desktop, also files without a dot.
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    }
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    if (description.isEmpty()) description = patterns.join(QLatin1Char(' '));
    entries << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return entries.join(QStringLiteral(";;"));
}

QString display_text(const std::string& text) {
  const QString model = rich::to_qstring(text);
  QString shown;
  shown.reserve(model.size());
  for (qsizetype i = 0; i < model.size(); ++i) {
    const QChar c = model[i];
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
      shown += c;
      continue;
    }
    shown += QLatin1Char('\n');
    // The other half of a CR LF or LF CR pair belongs to the same break.
    const QChar pair = c == QLatin1Char('\r') ? QLatin1Char('\n') : QLatin1Char('\r');
    if (i + 1 < model.size() && model[i + 1] == pair) ++i;
  }
  return shown;
}

QString label_text(const std::string& caption) {
  const QString text = display_text(caption);
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
        shown += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    shown += text[i];
  }
  return shown;
}

QIcon button_picture(const std::string& picture) {
  if (picture.empty()) return {};
  const QString name = QString::fromStdString(picture);
  if (QFileInfo(name).isFile()) return QIcon(QPixmap(name));
  // Without a desktop session Qt knows neither the system's icon folders nor a theme: add the
  // folders once and fall back to the theme the project installs.
  static const bool folders_known = [] {
    QStringList folders = QIcon::themeSearchPaths();
    for (const QString& folder :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                   QStandardPaths::LocateDirectory)) {
      if (!folders.contains(folder)) folders << folder;
    }
    QIcon::setThemeSearchPaths(folders);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor")) {
      QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
    return true;
  }();
  (void)folders_known;
  return QIcon::fromTheme(name);
}

QString text_for_editor(const std::string& text) {
  QString converted = rich::to_qstring(text);
  converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return converted;
}

std::string text_from_editor(const QString& text) {
  QString converted = text;
  converted.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return rich::to_model_text(converted);
}

}  // namespace gui

// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/application.h"

#include <QApplication>
#include <QFont>
#include <QPixmapCache>
#include <QScreen>
#include <QStyleFactory>

#include <clocale>

namespace kelvo::qt {

namespace {

constexpr int kStyleCacheKb = 1024;

} // namespace

void install_font_substitutions() {
    const QString song = QStringLiteral("Noto Serif CJK SC");
    const QString hei = QStringLiteral("Noto Sans CJK SC");
    const QString kai = QStringLiteral("AR PL KaitiM GB");
    QFont::insertSubstitutions(QStringLiteral("宋体"), {song});
    QFont::insertSubstitutions(QStringLiteral("SimSun"), {song});
    QFont::insertSubstitutions(QStringLiteral("黑体"), {hei});
    QFont::insertSubstitutions(QStringLiteral("SimHei"), {hei});
    QFont::insertSubstitutions(QStringLiteral("楷体_GB2312"), {kai});
    QFont::insertSubstitutions(QStringLiteral("KaiTi"), {kai});
}

void prepare_application() {
    // Qt takes the locale from the environment; numbers in files and on the wire are
    // written the C way.
    std::setlocale(LC_NUMERIC, "C");
    install_font_substitutions();
    // Desktop themes may paint buttons in their own colours; the output switch and the
    // RUN button must show theirs.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    // The style keeps a picture of each button face per palette, and every change of the
    // switch's colour makes a new palette: over hours the cache would fill its default
    // 10 MB with faces never shown again. The window's own faces need a fraction of this.
    QPixmapCache::setCacheLimit(kStyleCacheKb);
}

namespace {

double dpi_x() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
}

double dpi_y() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
}

} // namespace

int px_x(double twips) {
    return qRound(twips * dpi_x() / 1440.0);
}
int px_y(double twips) {
    return qRound(twips * dpi_y() / 1440.0);
}
double twips_per_px_x() {
    return 1440.0 / dpi_x();
}
double twips_per_px_y() {
    return 1440.0 / dpi_y();
}

QColor to_qcolor(platform::Color color) {
    return QColor(static_cast<int>(color.bgr & 0xFFu), static_cast<int>((color.bgr >> 8) & 0xFFu),
                  static_cast<int>((color.bgr >> 16) & 0xFFu));
}

} // namespace kelvo::qt

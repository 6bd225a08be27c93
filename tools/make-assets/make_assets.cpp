// kelvo-make-assets: makes the files the program finds beside itself, from the repository:
// the default step table db1.mdb (an SQLite database built from an SQL file) and the
// window icon PPS.ico (drawn here); and for the desktop, the same picture as PNGs in the
// hicolor sizes and as an SVG.
//
//   kelvo-make-assets <sql-file> <db-out> <ico-out> [<hicolor-dir> <icon-name>]
// SPDX-License-Identifier: GPL-3.0-or-later

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

namespace {

[[noreturn]] void die(const std::string& message) {
    std::cerr << "kelvo-make-assets: " << message << '\n';
    std::exit(1);
}

// The statements of an SQL file: split at ';' outside quotes, "--" comments dropped.
std::vector<QString> statements(const QString& sql) {
    std::vector<QString> result;
    QString current;
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            current += c;
            if (c == quote) {
                quote = QChar();
            }
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < sql.size() && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < sql.size() && sql.at(i) != QLatin1Char('\n')) {
                ++i;
            }
            current += QLatin1Char('\n');
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        }
        if (c == QLatin1Char(';')) {
            if (!current.trimmed().isEmpty()) {
                result.push_back(current.trimmed());
            }
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty()) {
        result.push_back(current.trimmed());
    }
    return result;
}

void make_database(const QString& sql_path, const std::filesystem::path& out) {
    QFile file(sql_path);
    if (!file.open(QIODevice::ReadOnly)) {
        die("cannot read " + sql_path.toStdString() + ": " + file.errorString().toStdString());
    }
    const QString sql = QString::fromUtf8(file.readAll());

    std::filesystem::path temporary = out;
    temporary += ".new";
    std::error_code ignored;
    std::filesystem::remove(out, ignored);
    std::filesystem::remove(temporary, ignored);
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("assets"));
        database.setDatabaseName(QString::fromStdString(temporary.string()));
        if (!database.open()) {
            die("cannot create " + temporary.string() + ": " +
                database.lastError().text().toStdString());
        }
        database.transaction();
        for (const QString& statement : statements(sql)) {
            QSqlQuery query(database);
            if (!query.exec(statement)) {
                die(sql_path.toStdString() + ": " + query.lastError().text().toStdString() +
                    "\n  in: " + statement.toStdString());
            }
        }
        if (!database.commit()) {
            die("cannot write " + temporary.string());
        }
        database.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("assets"));
    std::filesystem::rename(temporary, out);
}

// The trace across the screen: a rise that overshoots a little and settles.
std::vector<QPointF> trace_points(const QRectF& screen) {
    std::vector<QPointF> points;
    const int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const double rise = 1.0 - std::exp(-6.0 * t);
        const double ripple = 0.12 * std::sin(t * 5 * std::numbers::pi) * std::exp(-3.0 * t);
        points.emplace_back(screen.left() + t * screen.width(),
                            screen.bottom() - screen.height() * (0.15 + 0.65 * (rise + ripple)));
    }
    return points;
}

// A rounded dark panel with a green trace that climbs and settles, like an output
// switched on.
QImage draw_icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QRectF panel(0.5, 0.5, s - 1, s - 1);
    painter.setPen(QPen(QColor(0x10, 0x14, 0x18), std::max(1.0, s / 24)));
    painter.setBrush(QColor(0x26, 0x32, 0x38));
    painter.drawRoundedRect(panel, s / 6, s / 6);

    const QRectF screen(s * 0.14, s * 0.14, s * 0.72, s * 0.56);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x0b, 0x1a, 0x12));
    painter.drawRoundedRect(screen, s / 16, s / 16);

    QPainterPath trace;
    for (const QPointF& point : trace_points(screen)) {
        if (trace.elementCount() == 0) {
            trace.moveTo(point);
        } else {
            trace.lineTo(point);
        }
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x3c, 0xf0, 0x5a), std::max(1.0, s / 14), Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(trace);

    // Two terminals below the screen: red and black.
    const double r = s * 0.07;
    const double y = s * 0.84;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xe5, 0x39, 0x35));
    painter.drawEllipse(QPointF(s * 0.32, y), r, r);
    painter.setBrush(QColor(0xee, 0xee, 0xee));
    painter.drawEllipse(QPointF(s * 0.68, y), r, r);
    return image;
}

// draw_icon's picture as an SVG, on a 256 grid.
QByteArray svg_icon() {
    const double s = 256;
    const QRectF screen(s * 0.14, s * 0.14, s * 0.72, s * 0.56);
    QString trace;
    for (const QPointF& point : trace_points(screen)) {
        trace += QStringLiteral("%1%2,%3 ")
                     .arg(trace.isEmpty() ? QStringLiteral("M") : QStringLiteral("L"))
                     .arg(point.x(), 0, 'f', 2)
                     .arg(point.y(), 0, 'f', 2);
    }
    return QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
               "viewBox=\"0 0 256 256\">\n"
               "  <rect x=\"0.5\" y=\"0.5\" width=\"255\" height=\"255\" rx=\"42.67\" "
               "fill=\"#263238\" stroke=\"#101418\" stroke-width=\"10.67\"/>\n"
               "  <rect x=\"%1\" y=\"%1\" width=\"%2\" height=\"%3\" rx=\"16\" "
               "fill=\"#0b1a12\"/>\n"
               "  <path d=\"%4\" fill=\"none\" stroke=\"#3cf05a\" stroke-width=\"18.29\" "
               "stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n"
               "  <circle cx=\"81.92\" cy=\"215.04\" r=\"17.92\" fill=\"#e53935\"/>\n"
               "  <circle cx=\"174.08\" cy=\"215.04\" r=\"17.92\" fill=\"#eeeeee\"/>\n"
               "</svg>\n")
        .arg(screen.left(), 0, 'f', 2)
        .arg(screen.width(), 0, 'f', 2)
        .arg(screen.height(), 0, 'f', 2)
        .arg(trace.trimmed())
        .toUtf8();
}

void write_file(const std::filesystem::path& path, const QByteArray& bytes) {
    std::filesystem::create_directories(path.parent_path());
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        die("cannot write " + path.string() + ": " + file.errorString().toStdString());
    }
}

// The desktop's icon theme folder: <size>x<size>/apps/<name>.png and scalable/apps/<name>.svg.
void make_hicolor(const std::filesystem::path& folder, const std::string& name) {
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string edge = std::to_string(size);
        const std::filesystem::path path = folder / (edge + "x" + edge) / "apps" / (name + ".png");
        std::filesystem::create_directories(path.parent_path());
        if (!draw_icon(size).save(QString::fromStdString(path.string()), "PNG")) {
            die("cannot write " + path.string());
        }
    }
    write_file(folder / "scalable" / "apps" / (name + ".svg"), svg_icon());
}

QByteArray single_ico(const QImage& image) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    if (!writer.write(image)) {
        die("cannot make an icon: " + writer.errorString().toStdString());
    }
    return buffer.data();
}

quint32 read32(const QByteArray& bytes, qsizetype at) {
    quint32 value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<quint8>(bytes.at(at + i));
    }
    return value;
}

void append16(QByteArray& bytes, quint16 value) {
    bytes.append(static_cast<char>(value & 0xFF));
    bytes.append(static_cast<char>(value >> 8));
}

void append32(QByteArray& bytes, quint32 value) {
    for (int i = 0; i < 4; ++i) {
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// One icon file holding every size: the entries of single-image files written by Qt, put
// under one directory.
void make_icon(const std::filesystem::path& out) {
    const std::vector<int> sizes{16, 32, 48};
    std::vector<QByteArray> entries;
    std::vector<QByteArray> payloads;
    for (const int size : sizes) {
        const QByteArray one = single_ico(draw_icon(size));
        if (one.size() < 22 || read32(one, 18) + read32(one, 14) > quint32(one.size())) {
            die("unexpected icon layout");
        }
        entries.push_back(one.mid(6, 8));
        payloads.push_back(one.mid(read32(one, 18), read32(one, 14)));
    }
    QByteArray file;
    append16(file, 0);
    append16(file, 1);
    append16(file, static_cast<quint16>(sizes.size()));
    quint32 offset = static_cast<quint32>(6 + 16 * sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        file.append(entries[i]);
        append32(file, static_cast<quint32>(payloads[i].size()));
        append32(file, offset);
        offset += static_cast<quint32>(payloads[i].size());
    }
    for (const QByteArray& payload : payloads) {
        file.append(payload);
    }

    std::filesystem::path temporary = out;
    temporary += ".new";
    QFile target(QString::fromStdString(temporary.string()));
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        target.write(file) != file.size() || !target.flush()) {
        die("cannot write " + temporary.string() + ": " + target.errorString().toStdString());
    }
    target.close();
    std::filesystem::rename(temporary, out);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 4 && argc != 6) {
        std::cerr << "usage: kelvo-make-assets <sql-file> <db-out> <ico-out> "
                     "[<hicolor-dir> <icon-name>]"
                  << '\n';
        return 2;
    }
    try {
        make_database(QString::fromLocal8Bit(argv[1]), argv[2]);
        make_icon(argv[3]);
        if (argc == 6) {
            make_hicolor(argv[4], argv[5]);
        }
    } catch (const std::exception& error) {
        die(error.what());
    }
    return 0;
}

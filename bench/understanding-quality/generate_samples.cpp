// orvanta-understanding-samples OUTPUT_DIR
// Renders the labelled screen captures of the understanding quality set with QPainter and writes
// them with labels.json: per image the route a person would want ("TEXT" or "IMAGE") and, for
// prose, the text as drawn (lines joined with line feeds). Deterministic: same fonts, same seed.

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <cmath>
#include <functional>

namespace {

const QString kProse = QStringLiteral(
    "The harbour town wakes slowly in winter. Fishing boats leave before dawn, and the bakery on the corner "
    "opens its shutters while the streets are still wet from the night rain. By nine the market square fills "
    "with stalls selling bread, cheese, smoked fish and bundles of dried herbs.|"
    "Visitors often ask why the houses are painted in such bright colours. The usual answer is practical: "
    "sailors returning in fog could pick out their own homes from the water. Whether that story is true or not, "
    "the custom has lasted for more than two centuries.|"
    "In the afternoon the light turns golden and the wind drops. Families walk along the breakwater, children "
    "count the gulls, and the old ferry makes its last crossing of the day to the island.");

struct Canvas
{
    QImage image;
    QPainter painter;
    Canvas(QSize logical, qreal scale, QColor background) : image(logical * scale, QImage::Format_RGB32)
    {
        image.setDevicePixelRatio(scale);
        image.fill(background);
        painter.begin(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
    }
};

QFont font(const QString &family, int pixels, bool bold = false)
{
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QStringList wrapped(const QString &text, const QFontMetrics &metrics, int width)
{
    QStringList lines;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (metrics.horizontalAdvance(candidate) > width && !line.isEmpty()) {
            lines.append(line);
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

// Fills the box with the prose paragraphs (cycling) as far as whole lines fit; returns the lines drawn.
QStringList fillProse(QPainter &p, const QFont &f, const QRect &box, int firstParagraph = 0)
{
    p.setFont(f);
    const QFontMetrics metrics(f);
    const int lineStep = int(std::lround(f.pixelSize() * 1.5));
    const QStringList paragraphs = kProse.split(QLatin1Char('|'));
    QStringList drawn;
    int y = box.top();
    for (int i = firstParagraph;; ++i) {
        for (const QString &line : wrapped(paragraphs[i % paragraphs.size()], metrics, box.width())) {
            if (y + lineStep > box.bottom())
                return drawn;
            p.drawText(box.left(), y + metrics.ascent(), line);
            drawn.append(line);
            y += lineStep;
        }
        y += f.pixelSize();
    }
}

struct Sample
{
    QString name;
    QString route;
    QImage image;
    QString text;
};

Sample prose(const QString &name, int pixels, qreal scale, const QString &family, bool dark, QSize size)
{
    Canvas c(size, scale, dark ? QColor(30, 30, 34) : QColor(Qt::white));
    c.painter.setPen(dark ? QColor(220, 220, 220) : QColor(20, 20, 20));
    const QStringList lines = fillProse(c.painter, font(family, pixels), QRect(QPoint(16, 14), size - QSize(32, 24)));
    return {name, QStringLiteral("TEXT"), c.image, lines.join(QLatin1Char('\n'))};
}

Sample article()
{
    Canvas c(QSize(760, 420), 1, Qt::white);
    c.painter.setPen(QColor(15, 15, 15));
    c.painter.setFont(font(QStringLiteral("DejaVu Sans"), 26, true));
    c.painter.drawText(16, 40, QStringLiteral("Notes from the harbour"));
    fillProse(c.painter, font(QStringLiteral("Liberation Serif"), 17), QRect(16, 60, 728, 350));
    return {QStringLiteral("article-title"), QStringLiteral("TEXT"), c.image, {}};
}

Sample list(bool numbered)
{
    Canvas c(QSize(640, 300), 1, Qt::white);
    c.painter.setPen(QColor(25, 25, 25));
    const QStringList items{QStringLiteral("Check the tyre pressure before every long journey"),
                            QStringLiteral("Pack a torch, a blanket and some water"),
                            QStringLiteral("Tell someone your route and the time you expect to arrive"),
                            QStringLiteral("Keep the fuel tank at least a quarter full in winter"),
                            QStringLiteral("Carry a printed map in case the phone has no signal"),
                            QStringLiteral("Take a break every two hours on long drives")};
    const QFont f = font(QStringLiteral("DejaVu Sans"), 15);
    c.painter.setFont(f);
    int y = 14;
    for (int i = 0; i < items.size(); ++i) {
        const QString marker = numbered ? QString::number(i + 1) + QLatin1Char('.') : QStringLiteral("\u2022");
        c.painter.drawText(18, y + 15, marker);
        c.painter.drawText(44, y + 15, items[i]);
        y += 44;
    }
    return {numbered ? QStringLiteral("list-numbered") : QStringLiteral("list-bullets"),
            QStringLiteral("TEXT"),
            c.image,
            {}};
}

Sample code()
{
    Canvas c(QSize(620, 330), 1, QColor(40, 42, 54));
    const QStringList lines{QStringLiteral("def merge_intervals(intervals):"),
                            QStringLiteral("    intervals.sort(key=lambda pair: pair[0])"),
                            QStringLiteral("    merged = []"),
                            QStringLiteral("    for low, high in intervals:"),
                            QStringLiteral("        if merged and low <= merged[-1][1]:"),
                            QStringLiteral("            merged[-1][1] = max(merged[-1][1], high)"),
                            QStringLiteral("        else:"),
                            QStringLiteral("            merged.append([low, high])"),
                            QStringLiteral("    return merged")};
    c.painter.setFont(font(QStringLiteral("DejaVu Sans Mono"), 15));
    int y = 18;
    for (const QString &line : lines) {
        c.painter.setPen(line.startsWith(QLatin1String("def")) ? QColor(255, 121, 198) : QColor(230, 230, 230));
        c.painter.drawText(14, y + 15, line);
        y += 33;
    }
    return {QStringLiteral("code-dark"), QStringLiteral("TEXT"), c.image, {}};
}

Sample table(bool ruled)
{
    Canvas c(QSize(720, 300), 1, Qt::white);
    const QStringList rows{
        QStringLiteral("Region|Q1|Q2|Q3|Q4"),          QStringLiteral("North|1,204|1,380|1,512|1,698"),
        QStringLiteral("South|980|1,020|1,145|1,230"), QStringLiteral("East|1,410|1,395|1,502|1,611"),
        QStringLiteral("West|875|930|1,004|1,118"),    QStringLiteral("Total|4,469|4,725|5,163|5,657")};
    const int colWidth = 130, rowHeight = 44, left = 20, top = 20;
    c.painter.setPen(QColor(30, 30, 30));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows[r].split(QLatin1Char('|'));
        c.painter.setFont(font(QStringLiteral("Liberation Sans"), 15, r == 0));
        for (int col = 0; col < cells.size(); ++col)
            c.painter.drawText(QRect(left + col * colWidth + 10, top + r * rowHeight, colWidth - 20, rowHeight),
                               Qt::AlignVCenter | (col == 0 ? Qt::AlignLeft : Qt::AlignRight), cells[col]);
    }
    const int right = left + 5 * colWidth, bottom = top + int(rows.size()) * rowHeight;
    c.painter.setPen(QPen(QColor(120, 120, 120), 1));
    if (ruled) {
        for (int r = 0; r <= rows.size(); ++r)
            c.painter.drawLine(left, top + r * rowHeight, right, top + r * rowHeight);
        for (int col = 0; col <= 5; ++col)
            c.painter.drawLine(left + col * colWidth, top, left + col * colWidth, bottom);
    } else {
        c.painter.drawLine(left, top + rowHeight, right, top + rowHeight);
    }
    return {ruled ? QStringLiteral("table-ruled") : QStringLiteral("table-borderless"),
            QStringLiteral("IMAGE"),
            c.image,
            {}};
}

Sample barChart()
{
    Canvas c(QSize(640, 400), 1, Qt::white);
    const int left = 70, bottom = 340, top = 40;
    const QList<int> values{42, 67, 55, 88, 73, 31};
    c.painter.setFont(font(QStringLiteral("DejaVu Sans"), 13));
    c.painter.setPen(QColor(80, 80, 80));
    for (int v = 0; v <= 100; v += 25) {
        const int y = bottom - (bottom - top) * v / 100;
        c.painter.drawLine(left, y, 600, y);
        c.painter.drawText(QRect(10, y - 10, 50, 20), Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    for (int i = 0; i < values.size(); ++i) {
        const int x = left + 20 + i * 88, h = (bottom - top) * values[i] / 100;
        c.painter.fillRect(x, bottom - h, 56, h, QColor(66, 133, 244));
        c.painter.setPen(QColor(60, 60, 60));
        c.painter.drawText(QRect(x, bottom + 6, 56, 20), Qt::AlignCenter, QStringLiteral("%1").arg(2019 + i));
    }
    c.painter.setFont(font(QStringLiteral("DejaVu Sans"), 16, true));
    c.painter.drawText(left, 24, QStringLiteral("Visitors per year (thousands)"));
    return {QStringLiteral("chart-bars"), QStringLiteral("IMAGE"), c.image, {}};
}

Sample lineChart()
{
    Canvas c(QSize(600, 360), 1, QColor(250, 250, 252));
    const int left = 60, bottom = 310, top = 30, right = 580;
    c.painter.setFont(font(QStringLiteral("Liberation Sans"), 13));
    c.painter.setPen(QColor(150, 150, 150));
    for (int v = 0; v <= 40; v += 10) {
        const int y = bottom - (bottom - top) * v / 40;
        c.painter.drawLine(left, y, right, y);
        c.painter.drawText(QRect(5, y - 10, 45, 20), Qt::AlignRight | Qt::AlignVCenter,
                           QString::number(v) + QStringLiteral("%"));
    }
    QPainterPath path;
    const QList<double> values{12, 18, 15, 27, 24, 33, 38, 29};
    for (int i = 0; i < values.size(); ++i) {
        const QPointF point(left + 20 + i * 70, bottom - (bottom - top) * values[i] / 40);
        i == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    c.painter.setPen(QPen(QColor(219, 68, 55), 3));
    c.painter.drawPath(path);
    return {QStringLiteral("chart-line"), QStringLiteral("IMAGE"), c.image, {}};
}

Sample formula()
{
    Canvas c(QSize(560, 260), 1, Qt::white);
    c.painter.setPen(QColor(10, 10, 10));
    const QFont serif = font(QStringLiteral("DejaVu Serif"), 26, false);
    const QFont small = font(QStringLiteral("DejaVu Serif"), 17, false);
    c.painter.setFont(serif);
    c.painter.drawText(30, 70, QStringLiteral("f(x) ="));
    c.painter.setFont(font(QStringLiteral("DejaVu Serif"), 52));
    c.painter.drawText(130, 82, QStringLiteral("\u2211"));
    c.painter.setFont(small);
    c.painter.drawText(140, 104, QStringLiteral("k=0"));
    c.painter.drawText(145, 22, QStringLiteral("\u221e"));
    c.painter.setFont(serif);
    c.painter.drawText(205, 48, QStringLiteral("x\u1d4f"));
    c.painter.drawLine(196, 58, 250, 58);
    c.painter.drawText(206, 92, QStringLiteral("k!"));
    c.painter.drawText(30, 190, QStringLiteral("\u222b\u2080\u00b9 x\u00b2 dx = \u2153,   e^{i\u03c0} + 1 = 0"));
    return {QStringLiteral("formula"), QStringLiteral("IMAGE"), c.image, {}};
}

Sample twoColumns()
{
    Canvas c(QSize(900, 520), 1, Qt::white);
    c.painter.setPen(QColor(20, 20, 20));
    for (int column = 0; column < 2; ++column)
        fillProse(c.painter, font(QStringLiteral("DejaVu Serif"), 14), QRect(16 + column * 450, 16, 418, 494), column);
    return {QStringLiteral("two-columns"), QStringLiteral("IMAGE"), c.image, {}};
}

Sample cards()
{
    Canvas c(QSize(840, 480), 1, QColor(242, 243, 247));
    const QStringList titles{QStringLiteral("Storage"), QStringLiteral("Network"), QStringLiteral("Backups"),
                             QStringLiteral("Users"),   QStringLiteral("Billing"), QStringLiteral("Alerts")};
    const QStringList values{QStringLiteral("72% used"),      QStringLiteral("1.2 Gb/s"),
                             QStringLiteral("Last: 02:00"),   QStringLiteral("148 active"),
                             QStringLiteral("Due in 5 days"), QStringLiteral("3 open")};
    for (int i = 0; i < 6; ++i) {
        const QRect card(24 + (i % 3) * 272, 24 + (i / 3) * 224, 248, 200);
        c.painter.setPen(QColor(210, 212, 220));
        c.painter.setBrush(Qt::white);
        c.painter.drawRoundedRect(card, 12, 12);
        c.painter.setPen(QColor(30, 30, 30));
        c.painter.setFont(font(QStringLiteral("DejaVu Sans"), 18, true));
        c.painter.drawText(card.adjusted(20, 20, -20, 0), Qt::AlignLeft | Qt::AlignTop, titles[i]);
        c.painter.setFont(font(QStringLiteral("DejaVu Sans"), 15));
        c.painter.drawText(card.adjusted(20, 70, -20, 0), Qt::AlignLeft | Qt::AlignTop, values[i]);
        c.painter.setPen(QColor(90, 90, 90));
        c.painter.drawText(card.adjusted(20, 110, -20, 0), Qt::AlignLeft | Qt::AlignTop,
                           QStringLiteral("View details"));
    }
    return {QStringLiteral("cards"), QStringLiteral("IMAGE"), c.image, {}};
}

Sample photo(bool withCaption)
{
    Canvas c(QSize(720, withCaption ? 500 : 460), 1, Qt::white);
    const QRect frame(0, 0, 720, 460);
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor(70, 120, 200));
    sky.setColorAt(1, QColor(250, 190, 130));
    c.painter.fillRect(frame, sky);
    QRadialGradient sun(520, 230, 90);
    sun.setColorAt(0, QColor(255, 240, 200));
    sun.setColorAt(1, QColor(255, 200, 120, 0));
    c.painter.fillRect(frame, sun);
    QPainterPath hills(QPointF(0, 460));
    for (int x = 0; x <= 720; x += 20)
        hills.lineTo(x, 300 + 40 * std::sin(x / 90.0) + 20 * std::sin(x / 23.0));
    hills.lineTo(720, 460);
    QLinearGradient grass(0, 280, 0, 460);
    grass.setColorAt(0, QColor(60, 110, 50));
    grass.setColorAt(1, QColor(20, 50, 25));
    c.painter.fillPath(hills, grass);
    c.painter.end();
    QRandomGenerator random(7);
    for (int y = 0; y < frame.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(c.image.scanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            const int n = int(random.bounded(25)) - 12;
            const QRgb px = row[x];
            row[x] = qRgb(std::clamp(qRed(px) + n, 0, 255), std::clamp(qGreen(px) + n, 0, 255),
                          std::clamp(qBlue(px) + n, 0, 255));
        }
    }
    if (withCaption) {
        QPainter p(&c.image);
        p.setPen(QColor(60, 60, 60));
        p.setFont(font(QStringLiteral("DejaVu Sans"), 14));
        p.drawText(QRect(0, 466, 720, 30), Qt::AlignCenter, QStringLiteral("Evening over the western hills"));
    }
    return {
        withCaption ? QStringLiteral("photo-caption") : QStringLiteral("photo"), QStringLiteral("IMAGE"), c.image, {}};
}

Sample settingsDialog()
{
    Canvas c(QSize(760, 460), 1, QColor(246, 246, 246));
    c.painter.fillRect(0, 0, 200, 460, QColor(228, 230, 235));
    c.painter.setFont(font(QStringLiteral("DejaVu Sans"), 14));
    const QStringList nav{QStringLiteral("General"), QStringLiteral("Appearance"), QStringLiteral("Shortcuts"),
                          QStringLiteral("Privacy"), QStringLiteral("About")};
    for (int i = 0; i < nav.size(); ++i) {
        if (i == 1)
            c.painter.fillRect(8, 16 + i * 40, 184, 32, QColor(200, 210, 240));
        c.painter.setPen(QColor(30, 30, 30));
        c.painter.drawText(24, 37 + i * 40, nav[i]);
    }
    const QStringList options{QStringLiteral("Use dark theme"), QStringLiteral("Show icon in tray"),
                              QStringLiteral("Start at login")};
    for (int i = 0; i < options.size(); ++i) {
        c.painter.setPen(QColor(120, 120, 120));
        c.painter.setBrush(i == 1 ? QColor(66, 133, 244) : Qt::white);
        c.painter.drawRoundedRect(230, 30 + i * 56, 20, 20, 4, 4);
        c.painter.setPen(QColor(30, 30, 30));
        c.painter.drawText(264, 46 + i * 56, options[i]);
    }
    c.painter.setBrush(Qt::white);
    c.painter.setPen(QColor(160, 160, 160));
    c.painter.drawRoundedRect(230, 220, 300, 34, 6, 6);
    c.painter.setPen(QColor(30, 30, 30));
    c.painter.drawText(242, 242, QStringLiteral("Ctrl+Shift+A"));
    c.painter.drawText(230, 208, QStringLiteral("Capture shortcut"));
    for (int i = 0; i < 2; ++i) {
        const QRect button(520 + i * 120, 400, 104, 36);
        c.painter.setBrush(i == 1 ? QColor(66, 133, 244) : QColor(255, 255, 255));
        c.painter.setPen(QColor(150, 150, 150));
        c.painter.drawRoundedRect(button, 6, 6);
        c.painter.setPen(i == 1 ? Qt::white : QColor(30, 30, 30));
        c.painter.drawText(button, Qt::AlignCenter, i == 1 ? QStringLiteral("Save") : QStringLiteral("Cancel"));
    }
    return {QStringLiteral("ui-settings"), QStringLiteral("IMAGE"), c.image, {}};
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: orvanta-understanding-samples OUTPUT_DIR");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    const QString sans = QStringLiteral("DejaVu Sans");
    const std::vector<std::function<Sample()>> builders{
        [&] { return prose(QStringLiteral("prose-14px-scale1"), 14, 1, sans, false, QSize(720, 380)); },
        [&] { return prose(QStringLiteral("prose-14px-scale2"), 14, 2, sans, false, QSize(720, 380)); },
        [&] { return prose(QStringLiteral("prose-1200x800"), 18, 1, sans, false, QSize(1200, 800)); },
        [&] {
            return prose(QStringLiteral("prose-serif-16px"), 16, 1, QStringLiteral("Liberation Serif"), false,
                         QSize(640, 470));
        },
        [&] { return prose(QStringLiteral("prose-dark-15px"), 15, 1, sans, true, QSize(700, 420)); },
        [&] {
            return prose(QStringLiteral("prose-12px-liberation"), 12, 1, QStringLiteral("Liberation Sans"), false,
                         QSize(600, 300));
        },
        // Small screen fonts (menus, chat, terminals) and dark themes.
        [&] { return prose(QStringLiteral("prose-11px-dejavu"), 11, 1, sans, false, QSize(560, 300)); },
        [&] { return prose(QStringLiteral("prose-12px-dark"), 12, 1, sans, true, QSize(600, 300)); },
        [&] {
            return prose(QStringLiteral("prose-13px-liberation"), 13, 1, QStringLiteral("Liberation Sans"), false,
                         QSize(620, 320));
        },
        [&] {
            return prose(QStringLiteral("terminal-12px-dark"), 12, 1, QStringLiteral("DejaVu Sans Mono"), true,
                         QSize(640, 300));
        },
        article,
        [] { return list(false); },
        [] { return list(true); },
        code,
        [] { return table(true); },
        [] { return table(false); },
        barChart,
        lineChart,
        formula,
        twoColumns,
        cards,
        [] { return photo(false); },
        [] { return photo(true); },
        settingsDialog,
    };
    QJsonArray labels;
    for (const auto &build : builders) {
        const Sample sample = build();
        const QString file = sample.name + QStringLiteral(".png");
        if (!sample.image.save(out.filePath(file), "PNG")) {
            qWarning("cannot write %s", qPrintable(out.filePath(file)));
            return 1;
        }
        QJsonObject label{{QStringLiteral("file"), file}, {QStringLiteral("route"), sample.route}};
        if (!sample.text.isEmpty())
            label.insert(QStringLiteral("text"), sample.text);
        labels.append(label);
    }
    QFile index(out.filePath(QStringLiteral("labels.json")));
    if (!index.open(QIODevice::WriteOnly) || index.write(QJsonDocument(labels).toJson()) < 0)
        return 1;
    return 0;
}

// The icon font: rebuilt from its outlines byte for byte, read alike by
// fontTools and by Qt, and drawing a distinct glyph for every icon.

#include <QtTest>

#include <QFontDatabase>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QRawFont>

#include "support/SampleData.h"
#include "support/TestPaths.h"

using namespace kiv::test;

namespace {

const QString CommittedFont = sourcePath(QStringLiteral("qml/fonts/kviconsetf.ttf"));
constexpr uint FolderGlyph = 0xE800;
constexpr uint DeleteGlyph = 0xE86D;
constexpr uint OkGlyph = 0xE8C4;

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every code point the theme's semantic table names, and the folder glyph.
QList<uint> iconCodePoints()
{
    QQmlEngine engine;
    QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/qml/UI.qml")));
    QScopedPointer<QObject> ui(component.create());
    QSet<uint> codePoints {FolderGlyph};
    if (ui) {
        const QVariantMap icons = ui->property("icons").toMap();
        for (const QVariant& glyph : icons)
            codePoints.insert(glyph.toString().at(0).unicode());
    }
    QList<uint> sorted = codePoints.values();
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

QString pathKey(const QPainterPath& path)
{
    QStringList elements;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        elements.append(QStringLiteral("%1:%2,%3").arg(int(e.type)).arg(e.x, 0, 'f', 2).arg(e.y, 0, 'f', 2));
    }
    return elements.join(QLatin1Char(' '));
}

QImage drawGlyph(const QFont& font, uint codePoint)
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, QString(QChar(codePoint)));
    return image;
}

int inkOf(const QImage& image)
{
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    }
    return dark;
}

} // namespace

class TestIconFont : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Nothing else ties this test to the library that carries the QML.
        Q_INIT_RESOURCE(qml);
        m_codePoints = iconCodePoints();
        // 68 semantic code points and the folder glyph.
        QCOMPARE(m_codePoints.size(), 69);
    }

    void scriptRebuildsTheCommittedFont()
    {
        const QString output = QStringLiteral(QUARZEL_BINARY_DIR "/iconfont/kviconsetf.ttf");
        QFile::remove(output);
        const ToolRun run = runTool(python3(), {sourcePath(QStringLiteral("scripts/make-icon-font.py")),
                                                QStringLiteral("--output"), output});
        QVERIFY2(run.exitCode == 0, qPrintable(run.text()));
        const QByteArray built = readFile(output);
        QVERIFY(!built.isEmpty());
        QVERIFY2(built == readFile(CommittedFont), "the committed font is not the script's output");
    }

    void fontToolsReadsTheFont()
    {
        static const char* const Reader = R"(
import hashlib, json, sys
from fontTools.ttLib import TTFont
font = TTFont(sys.argv[1])
glyf, cmap = font["glyf"], font.getBestCmap()
outlines = {}
for cp, name in cmap.items():
    g = glyf[name]
    coords = list(g.getCoordinates(glyf)[0]) if g.numberOfContours > 0 else []
    outlines[str(cp)] = hashlib.sha1(repr(coords).encode()).hexdigest() if coords else ""
print(json.dumps({"family": font["name"].getBestFamilyName(),
                  "advances": sorted({font["hmtx"][n][0] for n in font.getGlyphOrder()}),
                  "outlines": outlines}))
)";
        const ToolRun run = runTool(python3(), {QStringLiteral("-c"), QString::fromLatin1(Reader), CommittedFont});
        QVERIFY2(run.exitCode == 0, qPrintable(run.text()));
        const QJsonObject font = QJsonDocument::fromJson(run.output).object();
        QCOMPARE(font.value("family").toString(), QStringLiteral("kviconsetf"));
        QCOMPARE(font.value("advances").toArray().size(), 1);
        const QJsonObject outlines = font.value("outlines").toObject();
        QSet<QString> distinct;
        for (uint codePoint : m_codePoints) {
            const QString hash = outlines.value(QString::number(codePoint)).toString();
            QVERIFY2(!hash.isEmpty(), qPrintable(QString::number(codePoint, 16)));
            distinct.insert(hash);
        }
        QCOMPARE(distinct.size(), m_codePoints.size());
    }

    void qtReadsTheFont()
    {
        const QRawFont font(readFile(CommittedFont), 48);
        QVERIFY(font.isValid());
        QCOMPARE(font.familyName(), QStringLiteral("kviconsetf"));
        QSet<QString> outlines;
        QSet<qreal> advances;
        for (uint codePoint : m_codePoints) {
            const QVector<quint32> glyphs = font.glyphIndexesForString(QString(QChar(codePoint)));
            QVERIFY2(glyphs.size() == 1 && glyphs.first() != 0, qPrintable(QString::number(codePoint, 16)));
            const QPainterPath path = font.pathForGlyph(glyphs.first());
            QVERIFY(!path.isEmpty());
            outlines.insert(pathKey(path));
            advances.insert(font.advancesForGlyphIndexes(glyphs).first().x());
        }
        QCOMPARE(outlines.size(), m_codePoints.size());
        QCOMPARE(advances.size(), 1);
    }

    // The system's fallback draws the same box for both; the icon font does not.
    void glyphsDrawDistinctInk()
    {
        const int id = QFontDatabase::addApplicationFontFromData(readFile(CommittedFont));
        QVERIFY(id >= 0);
        QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
        font.setPixelSize(48);
        const QImage deleteImage = drawGlyph(font, DeleteGlyph);
        const QImage okImage = drawGlyph(font, OkGlyph);
        QVERIFY(inkOf(deleteImage) > 100);
        QVERIFY(inkOf(okImage) > 100);
        QVERIFY(deleteImage != okImage);
        writeContactSheet(font);
    }

private:
    // Every glyph with its code point, to look at.
    void writeContactSheet(QFont font)
    {
        const int columns = 8;
        const int cell = 120;
        const int rows = (m_codePoints.size() + columns - 1) / columns;
        QImage sheet(columns * cell, rows * cell, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        QFont label;
        label.setPixelSize(14);
        for (int i = 0; i < m_codePoints.size(); ++i) {
            const QRect box((i % columns) * cell, (i / columns) * cell, cell, cell);
            painter.setPen(Qt::lightGray);
            painter.drawRect(box.adjusted(0, 0, -1, -1));
            painter.setPen(Qt::black);
            painter.setFont(font);
            painter.drawText(box.adjusted(0, 8, 0, -24), Qt::AlignCenter, QString(QChar(m_codePoints[i])));
            painter.setFont(label);
            painter.drawText(box.adjusted(0, 0, 0, -6), Qt::AlignHCenter | Qt::AlignBottom,
                             QStringLiteral("icn_%1").arg(m_codePoints[i], 4, 16));
        }
        painter.end();
        QVERIFY(sheet.save(QStringLiteral(QUARZEL_BINARY_DIR "/iconfont-contact-sheet.png")));
    }

    QList<uint> m_codePoints;
};

QTEST_MAIN(TestIconFont)
#include "tst_iconfont.moc"

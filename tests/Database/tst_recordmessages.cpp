#include <QtTest>

#include "Database/Quarzel.pb.h"
#include "Database/Records.h"

// The stored bytes of these records are what every existing project holds:
// these checks pin the wire layout, the defaults and the parse failures.
class TestRecordMessages : public QObject
{
    Q_OBJECT

private:
    static QByteArray hex(const std::string& bytes)
    {
        return QByteArray(bytes.data(), int(bytes.size())).toHex(' ');
    }

private slots:
    void projectVersionBytes()
    {
        QZProtoBuffers::Project project;
        project.set_version(QZProtoBuffers::Project::V20);
        std::string bytes;
        QVERIFY(project.SerializeToString(&bytes));
        QCOMPARE(hex(bytes), QByteArray("08 03"));
    }

    void projectDefaults()
    {
        QZProtoBuffers::Project project;
        QVERIFY(project.ParseFromString(std::string("\x08\x01", 2)));
        QCOMPARE(project.basetiles(), QZProtoBuffers::Project::TERRAIN);
        QCOMPARE(project.localitybasename(), std::string("Locality #"));
        QCOMPARE(project.lastlatitude(), 0.0);
        QVERIFY(!project.has_lastlatitude());
        QVERIFY(!project.has_declination());
    }

    // The project record's fields by number; a number it lacks gives no name.
    void projectFields_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("last latitude") << 9 << "lastLatitude";
        QTest::newRow("last longitude") << 10 << "lastLongitude";
        QTest::newRow("locality base name") << 12 << "localityBaseName";
        QTest::newRow("base-map url, the highest") << 14 << "basemapurl";
        QTest::newRow("no altitude after the position") << 15 << "";
    }

    void projectFields()
    {
        QFETCH(int, number);
        QFETCH(QString, name);
        const auto* descriptor = QZProtoBuffers::Project::descriptor();
        const auto* field = descriptor->FindFieldByNumber(number);
        QCOMPARE(field ? QString::fromStdString(field->name()) : QString(), name);
        QCOMPARE(descriptor->field_count(), 14);
    }

    void lineDefaults()
    {
        QZProtoBuffers::LineData2D line;
        line.set_dataid("a");
        line.set_localityid("b");
        std::string bytes;
        QVERIFY(line.SerializeToString(&bytes));
        QZProtoBuffers::LineData2D back;
        QVERIFY(back.ParseFromString(bytes));
        QCOMPARE(back.thickness(), 1.0f);
        QCOMPARE(back.opacity(), 1.0f);
        QCOMPARE(back.filled(), false);
        QCOMPARE(back.linestyle(), QZProtoBuffers::LineData2D::SOLID);
    }

    void localityVisibleByDefault()
    {
        QZProtoBuffers::Locality locality;
        QVERIFY(locality.ParseFromString(std::string("\x0a\x01x", 3)));
        QVERIFY(locality.visible());
    }

    void unsignedMinusOneBytes()
    {
        // A unit id of -1 kept in the uint32 field: five varint bytes.
        QZProtoBuffers::Data data;
        data.set_unitid(quint32(-1));
        std::string bytes;
        QVERIFY(data.SerializePartialToString(&bytes));
        QCOMPARE(hex(bytes), QByteArray("58 ff ff ff ff 0f"));
    }

    void incompleteRecordsDoNotParse_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QByteArray>("bytes");
        // Project with one Symbol lacking isLocked (field 5).
        QTest::newRow("symbol missing isLocked")
            << QByteArray("project") << QByteArray::fromHex("0803" "5a08" "0801" "1200" "1801" "2000");
        QTest::newRow("project without version") << QByteArray("project") << QByteArray::fromHex("1201" "41");
        // Data with dataType 7, which the schema does not know.
        QTest::newRow("data type 7") << QByteArray("data") << QByteArray::fromHex("0a0161" "1807");
        QTest::newRow("data without type") << QByteArray("data") << QByteArray::fromHex("0a0161");
        QTest::newRow("line without locality") << QByteArray("line") << QByteArray::fromHex("0a0161");
    }

    void incompleteRecordsDoNotParse()
    {
        QFETCH(QByteArray, kind);
        QFETCH(QByteArray, bytes);
        const std::string raw(bytes.constData(), size_t(bytes.size()));
        std::unique_ptr<google::protobuf::Message> message;
        if (kind == "project")
            message = std::make_unique<QZProtoBuffers::Project>();
        else if (kind == "data")
            message = std::make_unique<QZProtoBuffers::Data>();
        else
            message = std::make_unique<QZProtoBuffers::LineData2D>();
        QVERIFY(!message->ParseFromString(raw));
    }

    void incompleteRecordIsNotInitialized()
    {
        // Writers check this before serialising: protobuf aborts otherwise.
        QZProtoBuffers::Data data;
        data.set_dataid("x");
        QVERIFY(!data.IsInitialized());
        std::string bytes = "unchanged";
        QVERIFY(!kiv::serializeRecord(data, &bytes));
        QCOMPARE(bytes, std::string("unchanged"));
        data.set_datatype(QZProtoBuffers::Data::NOTE);
        QVERIFY(kiv::serializeRecord(data, &bytes));
        QCOMPARE(hex(bytes), QByteArray("0a 01 78 18 02"));
    }

    void protobufLogReachesQt()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("missing required fields"));
        QZProtoBuffers::Data data;
        QVERIFY(!data.ParseFromString(std::string("\x0a\x01x", 3)));
    }
};

QTEST_GUILESS_MAIN(TestRecordMessages)
#include "tst_recordmessages.moc"

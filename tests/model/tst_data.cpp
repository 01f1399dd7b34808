#include <QtTest>

#include "support/RecordRoundTrip.h"

#include "Database/Quarzel.pb.h"
#include "model/Data.h"

#include <memory>

using kiv::Data;
using DataPtr = std::shared_ptr<Data>;
using Record = QZProtoBuffers::Data;

Q_DECLARE_METATYPE(DataPtr)

namespace {

const std::string kId = "0123456789abcdef0123456789abcdef";
const std::string kLocality = "fedcba9876543210fedcba9876543210";

using kiv::test::throughBytes;

Record minimalRecord(Record::DataType type)
{
    Record record;
    record.set_dataid(kId);
    record.set_localityid(kLocality);
    record.set_datatype(type);
    return record;
}

// Every kind with values in every field, including those its record drops.
DataPtr filled(DataPtr data)
{
    data->setAltitude(312.5);
    data->setHorizontalAccuracy(4.0);
    data->setVerticalAccuracy(6.5);
    data->setDeclination(2.25f);
    data->setTimeStamp(1400000000);
    data->setDip(data->dip() == 0.0f ? 11.0f : data->dip());
    data->setDipAzimuth(data->azimuth() == 0.0f ? 22.0f : data->azimuth());
    data->setPlunge(data->plunge() == 0.0f ? 33.0f : data->plunge());
    data->setPlungeAzimuth(data->plungeAzimuth() == 0.0f ? 44.0f : data->plungeAzimuth());
    data->setUnitId(data->unitId() == 0 ? 9 : data->unitId());
    data->setSymbolId(data->symbolId() <= 0 ? 8 : data->symbolId());
    data->setSketchPath(data->sketchPath().isEmpty() ? "s.png" : data->sketchPath());
    data->setBackgroundPath(data->backgroundPath().isEmpty() ? "b.png"
                                                             : data->backgroundPath());
    return data;
}

} // namespace

class TestData : public QObject
{
    Q_OBJECT

private slots:
    void roundTripPerKind_data()
    {
        QTest::addColumn<DataPtr>("data");
        QTest::addColumn<int>("recordType");
        QTest::addColumn<int>("type");
        QTest::addColumn<float>("dip");
        QTest::addColumn<float>("azimuth");
        QTest::addColumn<float>("plunge");
        QTest::addColumn<float>("plungeAzimuth");
        QTest::addColumn<int>("unitId");
        QTest::addColumn<bool>("writesSymbol");
        QTest::addColumn<QString>("imagePath");
        QTest::addColumn<QString>("sketchPath");
        QTest::addColumn<QString>("backgroundPath");

        const QString note = QString::fromUtf8("Schiefer, Fallen ~30\u00b0 \u00fc");
        QTest::newRow("plane")
            << filled(Data::createPlane(kId, kLocality, 50.1, 8.2, 35.5f, 120.25f, 3, 7, note))
            << int(Record::PLANE) << int(Data::Plane) << 35.5f << 120.25f << 0.0f << 0.0f << 3
            << true << QString() << QString() << QString();
        QTest::newRow("lineation")
            << filled(Data::createLineation(kId, kLocality, 50.1, 8.2, 12.5f, 300.0f, 4, 15, note))
            << int(Record::LINE) << int(Data::Lineation) << 0.0f << 0.0f << 12.5f << 300.0f << 4
            << true << QString() << QString() << QString();
        QTest::newRow("sighting")
            << filled(Data::createSighting(kId, kLocality, 50.1, 8.2, 275.0f, 5, 20, note))
            << int(Record::SIGHTING) << int(Data::Sighting) << 0.0f << 275.0f << 0.0f << 0.0f
            << 5 << true << QString() << QString() << QString();
        QTest::newRow("annotation")
            << filled(Data::createAnnotation(kId, kLocality, 50.1, 8.2, note))
            << int(Record::NOTE) << int(Data::Annotation) << 0.0f << 0.0f << 0.0f << 0.0f << 0
            << false << QString() << QString() << QString();
        QTest::newRow("image")
            << filled(Data::createImage(kId, kLocality, 50.1, 8.2, 90.5f, "IMG_1.jpeg", note,
                                        "SKETCH_1.png", "BACKGROUND_1.jpeg"))
            << int(Record::IMAGE) << int(Data::Image) << 0.0f << 90.5f << 0.0f << 0.0f << 0
            << false << QString("IMG_1.jpeg") << QString("SKETCH_1.png")
            << QString("BACKGROUND_1.jpeg");
    }

    void roundTripPerKind()
    {
        QFETCH(DataPtr, data);
        QFETCH(int, recordType);

        Record written;
        const DataPtr back = throughBytes(*data, &written);
        QVERIFY(back);
        QCOMPARE(int(written.datatype()), recordType);
        QVERIFY(!written.has_planetype());
        QVERIFY(!written.has_linetype());
        QFETCH(bool, writesSymbol);
        QCOMPARE(written.has_symbolid(), writesSymbol);
        QCOMPARE(written.has_unitid(), writesSymbol);

        QCOMPARE(back->id(), kId);
        QCOMPARE(back->localityId(), kLocality);
        QCOMPARE(back->timeStamp(), qint64(1400000000));
        QCOMPARE(back->latitude(), 50.1);
        QCOMPARE(back->longitude(), 8.2);
        QCOMPARE(back->altitude(), 312.5);
        QCOMPARE(back->horizontalAccuracy(), 4.0);
        QCOMPARE(back->verticalAccuracy(), 6.5);
        QCOMPARE(back->declination(), 2.25f);
        QCOMPARE(back->comment(), data->comment());

        QTEST(back->type(), "type");
        QTEST(back->dip(), "dip");
        QTEST(back->azimuth(), "azimuth");
        QTEST(back->plunge(), "plunge");
        QTEST(back->plungeAzimuth(), "plungeAzimuth");
        QTEST(back->unitId(), "unitId");
        if (writesSymbol)
            QCOMPARE(back->symbolId(), data->symbolId());
        QTEST(back->imagePath(), "imagePath");
        QTEST(back->sketchPath(), "sketchPath");
        QTEST(back->backgroundPath(), "backgroundPath");
    }

    // The kind of plane or line a record names is read, never written back.
    void recordKindIsReadOnly_data()
    {
        QTest::addColumn<bool>("line");
        QTest::addColumn<int>("recordKind");
        QTest::addColumn<int>("kind");
        QTest::newRow("plane: unknown") << false << int(Record::UNKNOWN_PLANE) << 0;
        QTest::newRow("plane: bedding") << false << int(Record::BEDDING) << 1;
        QTest::newRow("plane: overturned") << false << int(Record::OVERTURNED_BEDDING) << 1;
        QTest::newRow("plane: second cleavage") << false << int(Record::SECOND_CLEAVAGE) << 1;
        QTest::newRow("plane: fold phase 2") << false << int(Record::MINOR_FOLD_PHASE_2) << 1;
        QTest::newRow("plane: cleavage") << false << int(Record::CLEAVAGE) << 2;
        QTest::newRow("plane: joint") << false << int(Record::JOINT) << 3;
        QTest::newRow("plane: fault") << false << int(Record::FAULT) << 4;
        QTest::newRow("plane: type 1") << false << int(Record::PLANE_TYPE_1) << 5;
        QTest::newRow("plane: type 4") << false << int(Record::PLANE_TYPE_4) << 8;
        QTest::newRow("line: unknown") << true << int(Record::UNKNOWN_LINE) << 1;
        QTest::newRow("line: lineation") << true << int(Record::LINEATION) << 1;
        QTest::newRow("line: intersection 2") << true << int(Record::INTERSECTION_2) << 1;
        QTest::newRow("line: slickenside") << true << int(Record::SLICKESIDE) << 2;
        QTest::newRow("line: mineral") << true << int(Record::MINERAL) << 3;
        QTest::newRow("line: fold axis") << true << int(Record::FOLD_AXIS) << 4;
        QTest::newRow("line: type 1") << true << int(Record::LINE_TYPE_1) << 5;
        QTest::newRow("line: type 2") << true << int(Record::LINE_TYPE_2) << 6;
    }

    void recordKindIsReadOnly()
    {
        QFETCH(bool, line);
        QFETCH(int, recordKind);
        Record record = minimalRecord(line ? Record::LINE : Record::PLANE);
        if (line)
            record.set_linetype(Record::LineType(recordKind));
        else
            record.set_planetype(Record::PlaneType(recordKind));
        const auto data = Data::fromProto(record);
        QVERIFY(data);
        QTEST(line ? data->lineKind() : data->planeKind(), "kind");
        const DataPtr back = throughBytes(*data);
        QVERIFY(back);
        QCOMPARE(line ? back->lineKind() : back->planeKind(), 0);
    }

    void declination_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<float>("expected");
        QTest::newRow("present") << true << 12.5f;
        QTest::newRow("absent") << false << 999.0f;
    }

    void declination()
    {
        QFETCH(bool, present);
        QFETCH(float, expected);
        Record record = minimalRecord(Record::PLANE);
        if (present)
            record.set_declination(12.5f);
        const auto data = Data::fromProto(record);
        QVERIFY(data);
        QCOMPARE(data->declination(), expected);

        const auto written = data->toProto();
        QVERIFY(written->has_declination());
        QCOMPARE(written->declination(), expected);
    }

    void setImagePath_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("expected");
        QTest::newRow("note gets photo") << int(Data::Annotation) << QString("a.jpg") << int(Data::Image);
        QTest::newRow("image loses photo") << int(Data::Image) << QString("") << int(Data::Annotation);
        QTest::newRow("image new photo") << int(Data::Image) << QString("b.jpg") << int(Data::Image);
        QTest::newRow("note stays note") << int(Data::Annotation) << QString("") << int(Data::Annotation);
        QTest::newRow("plane gets photo") << int(Data::Plane) << QString("c.jpg") << int(Data::Image);
        QTest::newRow("plane empty path") << int(Data::Plane) << QString("") << int(Data::Plane);
    }

    void setImagePath()
    {
        QFETCH(int, type);
        QFETCH(QString, path);
        DataPtr data;
        if (type == Data::Annotation)
            data = Data::createAnnotation(kId, kLocality, 0, 0, "n");
        else if (type == Data::Image)
            data = Data::createImage(kId, kLocality, 0, 0, 10.0f, "old.jpg", "", "", "");
        else
            data = Data::createPlane(kId, kLocality, 0, 0, 10.0f, 20.0f, 0, 1, "");
        data->setImagePath(path);
        QCOMPARE(data->imagePath(), path);
        QTEST(data->type(), "expected");
    }

    void imageRecordPath_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("type");
        QTest::newRow("present, empty") << true << QString() << int(Data::Annotation);
        QTest::newRow("absent") << false << QString() << int(Data::Image);
        QTest::newRow("present") << true << QString("IMG_2.jpeg") << int(Data::Image);
    }

    void imageRecordPath()
    {
        QFETCH(bool, present);
        QFETCH(QString, path);
        Record record = minimalRecord(Record::IMAGE);
        record.set_dip_azimuth(45.0f);
        if (present)
            record.set_imagepath(path.toStdString());
        const auto data = Data::fromProto(record);
        QVERIFY(data);
        QTEST(data->type(), "type");
        QCOMPARE(data->imagePath(), path);
        QCOMPARE(data->azimuth(), 45.0f);
    }

    void accuracies()
    {
        const auto made = Data::createAnnotation(kId, kLocality, 1.0, 2.0, "");
        QCOMPARE(made->horizontalAccuracy(), -1.0);
        QCOMPARE(made->verticalAccuracy(), -1.0);

        const auto read = Data::fromProto(minimalRecord(Record::NOTE));
        QVERIFY(read);
        QCOMPARE(read->horizontalAccuracy(), 0.0);
        QCOMPARE(read->verticalAccuracy(), 0.0);

        // What this program writes always carries the unknown marks.
        const auto written = made->toProto();
        QVERIFY(written->has_position());
        QVERIFY(written->position().has_horizontalaccuracy());
        QCOMPARE(written->position().verticalaccuracy(), -1.0);
    }

    void emptyCommentIsAbsent()
    {
        const auto data = Data::createPlane(kId, kLocality, 0, 0, 1.0f, 2.0f, 0, 1, QString());
        Record written;
        const DataPtr back = throughBytes(*data, &written);
        QVERIFY(back);
        QVERIFY(!written.has_comment());
        QVERIFY(back->comment().isEmpty());
    }

    void incompleteRecordsAreNeitherWrittenNorRead()
    {
        const Data bare(kId, kLocality);
        QCOMPARE(bare.type(), int(Data::NoKind));
        QCOMPARE(bare.declination(), 999.0f);
        QVERIFY(!bare.toProto());
        Record noId;
        noId.set_datatype(Record::PLANE);
        QVERIFY(!Data::fromProto(noId));
        Record noType;
        noType.set_dataid(kId);
        QVERIFY(!Data::fromProto(noType));
    }
};

QTEST_GUILESS_MAIN(TestData)
#include "tst_data.moc"

#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kiv::geo {

// What a tile request produced. An Ok result carries a 256 x 256 RGBA8888
// image (row 0 at the north edge); a network source also hands over the bytes
// it received, which is what the tile cache stores. NoData means there is
// nothing at that key (transparent); Failed means try again later.
class TileResult
{
public:
    enum class Status { Ok, NoData, Failed, Cancelled };

    static TileResult ok(const QImage& image, const QByteArray& encoded = QByteArray())
    {
        return TileResult(Status::Ok, image, encoded, QString());
    }
    static TileResult noData() { return TileResult(Status::NoData, {}, {}, {}); }
    static TileResult failed(const QString& error) { return TileResult(Status::Failed, {}, {}, error); }
    static TileResult cancelled() { return TileResult(Status::Cancelled, {}, {}, {}); }

    TileResult() = default;

    Status status() const { return status_; }
    bool isOk() const { return status_ == Status::Ok; }
    bool isNoData() const { return status_ == Status::NoData; }
    bool isFailed() const { return status_ == Status::Failed; }
    bool isCancelled() const { return status_ == Status::Cancelled; }
    const QImage& image() const { return image_; }
    const QByteArray& encoded() const { return encoded_; }
    const QString& error() const { return error_; }

private:
    TileResult(Status status, const QImage& image, const QByteArray& encoded, const QString& error)
        : status_(status), image_(image), encoded_(encoded), error_(error)
    {
    }

    Status status_ = Status::Failed;
    QImage image_;
    QByteArray encoded_;
    QString error_;
};

} // namespace kiv::geo

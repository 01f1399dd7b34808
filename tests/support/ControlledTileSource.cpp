#include "support/ControlledTileSource.h"

#include "geo/TileSourceDriver.h"
#include "geo/TileSourceRegistry.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace kiv::test {

namespace {

std::mutex s_gateMutex;
std::condition_variable s_gate;
bool s_held = false;
std::atomic<int> s_served{0};

const QString DriverName = QStringLiteral("controlledtiles");

class ControlledTileOptions : public geo::TileSourceOptions
{
public:
    explicit ControlledTileOptions(const geo::TileSourceOptions& options = geo::TileSourceOptions())
        : geo::TileSourceOptions(options)
    {
        setDriver(DriverName);
    }
    QColor colour() const { return QColor(str(QStringLiteral("colour"))); }
    void setColour(const QColor& colour) { setStr(QStringLiteral("colour"), colour.name(QColor::HexArgb)); }
    bool noData() const { return str(QStringLiteral("nodata")) == QLatin1String("true"); }
    void setNoData(bool noData) { setStr(QStringLiteral("nodata"), noData ? "true" : "false"); }
};

class ControlledTileSource : public geo::TileSource
{
public:
    explicit ControlledTileSource(const ControlledTileOptions& options)
        : geo::TileSource(options), colour_(options.colour()), noData_(options.noData())
    {
    }

    geo::TileResult createImage(const geo::TileKey&, geo::ProgressCallback*) override
    {
        {
            std::unique_lock<std::mutex> lock(s_gateMutex);
            s_gate.wait(lock, [] { return !s_held; });
        }
        ++s_served;
        if (noData_)
            return geo::TileResult::noData();
        QImage image(256, 256, QImage::Format_RGBA8888);
        image.fill(colour_);
        return geo::TileResult::ok(image);
    }

protected:
    geo::Status initialize() override
    {
        setProfile(geo::Profile::create(QStringLiteral("spherical-mercator")));
        return geo::Status::OK();
    }

private:
    QColor colour_;
    bool noData_;
};

class ControlledTileDriver : public geo::TileSourceDriver
{
public:
    ControlledTileDriver() { supportsExtension("osgearth_" + DriverName, DriverName); }
    QString className() const override { return DriverName; }
    ReadResult readObject(const QString& fileName,
                          const geo::TileSourceOptions& options) const override
    {
        ReadResult result;
        if (!acceptsExtension(lowerCaseExtension(fileName)))
            return result;
        result.source = new ControlledTileSource(ControlledTileOptions(options));
        result.status = ReadResult::FILE_LOADED;
        return result;
    }
};

void registerOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        geo::TileSourceRegistry::instance()->addDriver(std::make_unique<ControlledTileDriver>());
    });
}

} // namespace

osg::ref_ptr<geo::ImageLayer> ControlledTiles::makeLayer(const QString& name,
                                                         const QColor& colour, unsigned maxLevel,
                                                         bool noData)
{
    registerOnce();
    ControlledTileOptions options;
    options.setColour(colour);
    options.setNoData(noData);
    options.setMaxDataLevel(maxLevel);
    return new geo::ImageLayer(name, options);
}

void ControlledTiles::hold()
{
    std::lock_guard<std::mutex> lock(s_gateMutex);
    s_held = true;
}

void ControlledTiles::release()
{
    {
        std::lock_guard<std::mutex> lock(s_gateMutex);
        s_held = false;
    }
    s_gate.notify_all();
}

int ControlledTiles::served()
{
    return s_served.load();
}

} // namespace kiv::test

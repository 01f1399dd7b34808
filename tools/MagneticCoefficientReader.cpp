#include "tools/MagneticCoefficientReader.h"

#include <QByteArrayList>
#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace kiv {

namespace {

// The published files end with a long row of nines.
bool isTerminator(const QByteArray& line)
{
    return line.startsWith("9999");
}

bool parseInt(const QByteArray& text, int& value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok);
    return ok;
}

bool parseDouble(const QByteArray& text, double& value)
{
    bool ok = false;
    value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

QString boundedName(const QByteArray& text)
{
    return QString::fromUtf8(text.trimmed()).left(MagneticCoefficients::NameLength);
}

void printMessage(const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

bool degreeSupported(int nMax)
{
    if (nMax <= MagneticCoefficientReader::MaxDegree)
        return true;
    std::printf("\nDegree %d of the model is above the supported %d\n", nMax,
                MagneticCoefficientReader::MaxDegree);
    std::fflush(stdout);
    return false;
}

// Stores one term when its indices fit the model; other terms are dropped so
// that no index can reach outside the arrays or overwrite another term.
void storeTerm(MagneticCoefficients& model, int n, int m, double g, double h, double dg, double dh)
{
    if (n < 1 || n > model.nMax || m < 0 || m > n)
        return;
    const int i = MagneticCoefficients::index(n, m);
    model.mainG[i] = g;
    model.mainH[i] = h;
    model.secVarG[i] = dg;
    model.secVarH[i] = dh;
}

std::unique_ptr<MagneticCoefficients> allocateModel(int nMax)
{
    try {
        return std::make_unique<MagneticCoefficients>(nMax);
    } catch (const std::bad_alloc&) {
        printMessage("\nError allocating in MAG_AllocateModelMemory.\n");
        return nullptr;
    }
}

} // namespace

std::unique_ptr<MagneticCoefficients> MagneticCoefficientReader::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return nullptr;
    const bool shdf = file.readLine(1024).startsWith('%');
    file.close();
    return shdf ? readShdf(path) : readCof(path);
}

std::unique_ptr<MagneticCoefficients> MagneticCoefficientReader::readCof(const QString& path)
{
    const int nMax = scanHighestDegree(path);
    if (nMax < 1 || !degreeSupported(nMax))
        return nullptr;

    auto model = allocateModel(nMax);
    if (!model || !readCofCoefficients(path, *model))
        return nullptr;
    model->validUntil = model->epoch + 5.0;
    return model;
}

int MagneticCoefficientReader::scanHighestDegree(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    file.readLine();

    int nMax = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (isTerminator(line))
            break;
        const char* begin = line.constData();
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(begin, &end, 10);
        if (end == begin || errno == ERANGE || n >= 99999)
            break;
        if (n > nMax)
            nMax = int(n);
    }
    return nMax;
}

bool MagneticCoefficientReader::readCofCoefficients(const QString& path, MagneticCoefficients& model)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        printMessage("\nError opening coefficient file\n");
        return false;
    }
    model.mainG[0] = model.mainH[0] = model.secVarG[0] = model.secVarH[0] = 0.0;

    const QByteArrayList header = file.readLine().simplified().split(' ');
    if (!parseDouble(header.value(0), model.epoch))
        return false;
    model.name = boundedName(header.value(1));

    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (isTerminator(line))
            break;
        const QByteArrayList fields = line.simplified().split(' ');
        if (fields.size() < 6)
            continue;
        int n = 0;
        int m = 0;
        double values[4] = {};
        bool ok = parseInt(fields[0], n) && parseInt(fields[1], m);
        for (int k = 0; ok && k < 4; ++k)
            ok = parseDouble(fields[2 + k], values[k]);
        if (ok)
            storeTerm(model, n, m, values[0], values[1], values[2], values[3]);
    }
    return true;
}

std::unique_ptr<MagneticCoefficients> MagneticCoefficientReader::readShdf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        printMessage("File open error");
        return nullptr;
    }

    int models = 0;
    int nMax = -1;
    int nMaxSecVar = 0;
    bool hasEpoch = false;
    double epoch = 0.0;
    double endYear = 0.0;
    double releaseDate = 0.0;
    QString name;
    std::unique_ptr<MagneticCoefficients> model;

    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;

        if (line.startsWith('%')) {
            const QByteArray entry = line.mid(1);
            const auto valueOf = [&entry](const char* key) {
                return entry.mid(int(qstrlen(key)));
            };
            if (entry.startsWith("SHDF ")) {
                if (++models > 1) {
                    std::printf("Header limit exceeded - too many models in model file. (%d)\n", models);
                    std::fflush(stdout);
                    return nullptr;
                }
            } else if (entry.startsWith("ModelName: ")) {
                name = boundedName(valueOf("ModelName: "));
            } else if (entry.startsWith("ReleaseDate: ")) {
                parseDouble(valueOf("ReleaseDate: "), releaseDate);
            } else if (entry.startsWith("ModelEndYear: ")) {
                parseDouble(valueOf("ModelEndYear: "), endYear);
            } else if (entry.startsWith("Epoch: ")) {
                hasEpoch = parseDouble(valueOf("Epoch: "), epoch);
            } else if (entry.startsWith("IntStaticDeg: ")) {
                if (!parseInt(valueOf("IntStaticDeg: "), nMax))
                    nMax = -1;
            } else if (entry.startsWith("IntSecVarDeg: ")) {
                if (!parseInt(valueOf("IntSecVarDeg: "), nMaxSecVar))
                    nMaxSecVar = 0;
            }
            // Publisher, DataCutOff, ModelStartYear, ExtStaticDeg, ExtSecVarDeg,
            // GeoMagRefRad, Normalization and SpatBasFunc do not change the synthesis.
            continue;
        }

        if (!model) {
            if (nMax < 1) {
                printMessage("Degree not found in model. Memory cannot be allocated.\n");
                return nullptr;
            }
            if (!degreeSupported(nMax))
                return nullptr;
            model = allocateModel(nMax);
            if (!model)
                return nullptr;
        }

        // Rows "I,n,m,g,h,dg,dh"; empty values are zero. External terms are not
        // part of the main-field synthesis.
        const QByteArrayList fields = line.split(',');
        if (fields.size() < 3 || fields[0].trimmed() != "I")
            continue;
        int n = 0;
        int m = 0;
        double values[4] = {};
        bool ok = parseInt(fields[1], n) && parseInt(fields[2], m);
        for (int k = 0; ok && k < 4; ++k) {
            const QByteArray field = fields.value(3 + k).trimmed();
            ok = field.isEmpty() || parseDouble(field, values[k]);
        }
        if (ok)
            storeTerm(*model, n, m, values[0], values[1], values[2], values[3]);
    }

    if (!model || !hasEpoch)
        return nullptr;
    model->epoch = epoch;
    model->editionDate = releaseDate;
    model->name = name;
    model->nMaxSecVar = qBound(0, nMaxSecVar, model->nMax);
    model->validUntil = endYear > epoch ? endYear : epoch + 5.0;
    return model;
}

} // namespace kiv

#include "geo/XmlDocument.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <vector>

namespace kiv::geo {

osg::ref_ptr<XmlDocument> XmlDocument::load(const QString& text, const QString& referrer)
{
    QXmlStreamReader xml(text);
    // Open elements; the document itself sits at the bottom.
    std::vector<Config> stack(1);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            Config element(xml.name().toString());
            for (const QXmlStreamAttribute& a : xml.attributes())
                element.add(a.name().toString(), a.value().toString());
            stack.push_back(element);
            if (stack.size() > std::size_t(MaxDepth) + 1) {
                qWarning().noquote() << "Refused" << referrer << ": elements nested deeper than"
                                     << MaxDepth << "levels";
                return nullptr;
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (!xml.isWhitespace() && stack.size() > 1)
                stack.back().setValue(stack.back().value() + xml.text().toString());
            break;
        case QXmlStreamReader::EndElement: {
            Config done = stack.back();
            stack.pop_back();
            done.setValue(done.value().trimmed());
            stack.back().add(done);
            break;
        }
        default:
            break;
        }
    }
    if (xml.hasError() || stack.size() != 1 || stack.front().children().isEmpty()) {
        qWarning() << "Malformed XML in" << referrer << ':' << xml.errorString() << "at line"
                   << xml.lineNumber();
        return nullptr;
    }
    osg::ref_ptr<XmlDocument> doc = new XmlDocument;
    doc->config_ = stack.front();
    doc->config_.setReferrer(referrer);
    return doc;
}

osg::ref_ptr<XmlDocument> XmlDocument::loadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning() << "Cannot read" << path << ':' << file.errorString();
        return nullptr;
    }
    if (file.size() > MaxFileSize) {
        qWarning() << "Refused" << path << ": larger than" << MaxFileSize << "bytes";
        return nullptr;
    }
    return load(QString::fromUtf8(file.readAll()), QFileInfo(path).absoluteFilePath());
}

} // namespace kiv::geo

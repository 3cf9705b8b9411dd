#include "InterfaceCatalogue.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

bool InterfaceCatalogue::load(const QString& directory, QString* error)
{
    const QDir dir(directory);
    const QStringList files = dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    if (files.isEmpty()) {
        *error = QStringLiteral("%1: no interface files").arg(directory);
        return false;
    }
    for (const QString& file : files) {
        QFile input(dir.filePath(file));
        if (!input.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("%1: %2").arg(input.fileName(), input.errorString());
            return false;
        }
        if (!parse(input.fileName(), input.readAll(), error))
            return false;
    }
    return true;
}

const InterfaceCatalogue::Interface* InterfaceCatalogue::find(const QString& interfaceName) const
{
    const auto it = m_interfaces.constFind(interfaceName);
    return it == m_interfaces.constEnd() ? nullptr : &it.value();
}

QStringList InterfaceCatalogue::names() const
{
    QStringList result = m_interfaces.keys();
    result.sort();
    return result;
}

bool InterfaceCatalogue::parse(const QString& fileName, const QByteArray& data, QString* error)
{
    QXmlStreamReader xml(data);
    Interface* interface = nullptr;
    Member* member = nullptr;
    qint64 interfaceStart = 0;

    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString name = xml.attributes().value(QLatin1String("name")).toString();
            if (xml.name() == QLatin1String("interface")) {
                interface = &m_interfaces[name];
                // The element's text starts at the '<' before the offset Qt reports.
                interfaceStart = data.lastIndexOf('<', xml.characterOffset() - 1);
            } else if (interface && xml.name() == QLatin1String("method")) {
                member = &interface->methods[name];
            } else if (interface && xml.name() == QLatin1String("signal")) {
                member = &interface->signalMembers[name];
            } else if (member && xml.name() == QLatin1String("arg")) {
                if (xml.attributes().value(QLatin1String("direction")) != QLatin1String("out")) {
                    member->signature += xml.attributes().value(QLatin1String("type"));
                    member->argumentNames.append(name);
                }
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == QLatin1String("method") || xml.name() == QLatin1String("signal")) {
                member = nullptr;
            } else if (interface && xml.name() == QLatin1String("interface")) {
                interface->xml = QString::fromUtf8(data.mid(interfaceStart, xml.characterOffset() - interfaceStart));
                interface = nullptr;
            }
        }
    }
    if (xml.hasError()) {
        *error = QStringLiteral("%1:%2:%3: %4")
                     .arg(fileName)
                     .arg(xml.lineNumber())
                     .arg(xml.columnNumber())
                     .arg(xml.errorString());
        return false;
    }
    return true;
}

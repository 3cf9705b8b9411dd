#ifndef SCENARIOREADER_H
#define SCENARIOREADER_H

#include <QString>
#include <QVariantList>

class InterfaceCatalogue;
class JsonPlace;
class Scenario;

// Reads a scenario file:
//
//   {"objects": [{"module": M, "object": O, "interfaces": [...]}],
//    "answers": [{"interface": I, "method": M, "object": O, "arguments": [...],
//                 "value": V, "code": 0, "message": ""}],
//    "uiStatusItems": [{"uuid": ..., "title": ..., "priority": n}]}
//
// and refuses it whole at the first mistake, with the file, the line and
// column, the JSON path and the reason: an unknown key, a name the interface
// files don't know, an answer no object could give, a number its type can't
// hold exactly, a value nested deeper than D-Bus carries.
class ScenarioReader
{
public:
    explicit ScenarioReader(const InterfaceCatalogue& catalogue);

    bool read(const QString& fileName, Scenario* scenario, QString* error);

private:
    bool readObject(const JsonPlace& place, QString* error);
    bool readAnswer(const JsonPlace& place, QString* error);
    bool readArguments(const JsonPlace& place, const QString& method, const QString& signature, QVariantList* arguments,
                       QString* error) const;
    bool readUiStatusItem(const JsonPlace& place, QString* error);
    bool isServed(const QString& interface, const QString& path) const;

    const InterfaceCatalogue& m_catalogue;
    Scenario* m_scenario = nullptr;
};

#endif // SCENARIOREADER_H

#ifndef UISTATUSITEMSMODEL_H
#define UISTATUSITEMSMODEL_H

#include <QAbstractListModel>
#include <QList>
#include <QQmlParserStatus>
#include <QSharedPointer>
#include <QVariantMap>
#include <QtQml/qqml.h>

class DBusConnectorBase;
class ServiceFollower;
struct ConnectorEntry;

/**
 * QML type `UiStatusItemsModel` of `Vantelo.Connectors 1.0`: the UI status
 * information items of a service, as a list model that keeps itself up to
 * date.
 *
 * One row per item, with one role per field: `uuid`, `source`, `category`,
 * `title`, `text`, `iconName`, `timestamp`, `action` (strings) and `priority`
 * (a number), in the order the service lists them.
 *
 * \code
 * ListView {
 *     model: UiStatusItemsModel { id: items }
 *     delegate: Text { text: title + ": " + model.text }
 * }
 * ...
 * items.add({uuid: "u9", title: "Hello", priority: 1})
 * items.remove("u9")
 * \endcode
 *
 * It fills itself from "getUiStatusInformationItemList" once its properties
 * are set; when the service announces a changed item it fetches that item
 * and updates its row, or appends one; when it announces a removed item it
 * removes the row of that uuid. It follows the service: when the service
 * goes away (or the bus does), the rows go with it; when it is back, or has
 * restarted, the model fetches the list again.
 *
 * Failures never pass silently: the library's warnings, and a QML warning
 * with the model's file and line.
 */
class UiStatusItemsModel : public QAbstractListModel, public QQmlParserStatus
{
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    QML_ELEMENT
    /// The service's module; empty for the catalogue's, "SystemInformation".
    Q_PROPERTY(QString module READ module WRITE setModule NOTIFY moduleChanged)
    /// The remote object; empty for the connector's own, "UiStatusInformation".
    Q_PROPERTY(QString object READ object WRITE setObject NOTIFY objectChanged)
    /// The text the service selects items by, handed on as it is; empty by default.
    Q_PROPERTY(QString filter READ filter WRITE setFilter NOTIFY filterChanged)
    /// The number of rows.
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    /// The roles, one per item field.
    enum Role {
        UuidRole = Qt::UserRole + 1, ///< `uuid`
        SourceRole, ///< `source`
        CategoryRole, ///< `category`
        TitleRole, ///< `title`
        TextRole, ///< `text`
        IconNameRole, ///< `iconName`
        TimestampRole, ///< `timestamp`
        ActionRole, ///< `action`
        PriorityRole ///< `priority`
    };
    Q_ENUM(Role)

    /// An empty model; it starts once QML has set its properties.
    explicit UiStatusItemsModel(QObject* parent = nullptr);
    /// Stops following the service.
    ~UiStatusItemsModel() override;

    /// See the property.
    QString module() const { return m_module; }
    /// See the property.
    void setModule(const QString& module);
    /// See the property.
    QString object() const { return m_object; }
    /// See the property.
    void setObject(const QString& object);
    /// See the property.
    QString filter() const { return m_filter; }
    /// See the property.
    void setFilter(const QString& filter);

    /// The number of items; 0 for any \a parent but the root.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    /// The field of \a role of the item in the row of \a index.
    QVariant data(const QModelIndex& index, int role) const override;
    /// The field names, as QML reads them.
    QHash<int, QByteArray> roleNames() const override;

    /**
     * Asks the service to add \a item, an object with the item's fields (a
     * uuid is required; priority a whole number), or to replace the item of
     * its uuid. The row follows when the service announces it. False, with a
     * QML warning, when the item is refused or the call fails.
     */
    Q_INVOKABLE bool add(const QVariant& item);
    /// Asks the service to remove the item of \a uuid; the row goes when the
    /// service announces it. False, with a QML warning, when the call fails.
    Q_INVOKABLE bool remove(const QString& uuid);
    /// The item in \a row as an object with its fields; empty beyond the rows.
    Q_INVOKABLE QVariantMap get(int row) const;
    /// Fetches the whole list again. False, with a QML warning, when that fails:
    /// the rows are then gone.
    Q_INVOKABLE bool refresh();

    /// QQmlParserStatus: nothing is fetched while QML sets the properties.
    void classBegin() override;
    /// QQmlParserStatus: starts following the service and fills the model.
    void componentComplete() override;

Q_SIGNALS:
    /// The module property changed.
    void moduleChanged();
    /// The object property changed.
    void objectChanged();
    /// The filter property changed.
    void filterChanged();
    /// The number of rows changed.
    void countChanged();

private:
    void setName(QString* name, const QString& value, void (UiStatusItemsModel::*changed)());
    void restart();
    void clear();
    void itemChanged(const QString& uuid);
    void itemRemoved(const QString& uuid);
    int rowOf(const QString& uuid) const;
    bool run(const QString& operation, const QVariantList& arguments, QVariant* value = nullptr);

    QString m_module;
    QString m_object;
    QString m_filter;
    bool m_complete = false;
    QList<QVariantMap> m_items;
    const ConnectorEntry* m_entry;
    QSharedPointer<DBusConnectorBase> m_connector;
    QSharedPointer<ServiceFollower> m_follower;
};

#endif // UISTATUSITEMSMODEL_H

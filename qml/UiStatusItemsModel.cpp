#include "UiStatusItemsModel.h"

#include "ConnectorTable.h"
#include "QmlValue.h"
#include "ServiceFollower.h"
#include "StatusItemMap.h"
#include "VanteloDefinitions.h"

#include <QQmlInfo>

namespace {
const QString uuidField = QStringLiteral("uuid");
} // namespace

UiStatusItemsModel::UiStatusItemsModel(QObject* parent)
    : QAbstractListModel(parent)
    , m_entry(findConnector(QStringLiteral("UiStatusInformationDataDBusConnector")))
{
}

UiStatusItemsModel::~UiStatusItemsModel() = default;

void UiStatusItemsModel::setModule(const QString& module)
{
    setName(&m_module, module, &UiStatusItemsModel::moduleChanged);
}

void UiStatusItemsModel::setObject(const QString& object)
{
    setName(&m_object, object, &UiStatusItemsModel::objectChanged);
}

void UiStatusItemsModel::setName(QString* name, const QString& value, void (UiStatusItemsModel::*changed)())
{
    if (*name == value)
        return;
    *name = value;
    Q_EMIT(this->*changed)();
    restart();
}

void UiStatusItemsModel::setFilter(const QString& filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    Q_EMIT filterChanged();
    if (m_connector && m_follower->isDBusInterfaceValid())
        refresh();
}

int UiStatusItemsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_items.size();
}

QVariant UiStatusItemsModel::data(const QModelIndex& index, int role) const
{
    const QStringList& fields = StatusItemMap::fieldNames();
    const int field = role - UuidRole;
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) || field < 0 ||
        field >= fields.size())
        return QVariant();
    return m_items.at(index.row()).value(fields.at(field));
}

QHash<int, QByteArray> UiStatusItemsModel::roleNames() const
{
    QHash<int, QByteArray> names;
    const QStringList& fields = StatusItemMap::fieldNames();
    for (int i = 0; i < fields.size(); ++i)
        names.insert(UuidRole + i, fields.at(i).toLatin1());
    return names;
}

bool UiStatusItemsModel::add(const QVariant& item)
{
    return run(QStringLiteral("addUiStatusInformationItem"), {QmlValue::fromQml(item)});
}

bool UiStatusItemsModel::remove(const QString& uuid)
{
    // The service's own item where the model has it; the uuid is what counts.
    const int row = rowOf(uuid);
    const QVariantMap item = row >= 0 ? m_items.at(row) : QVariantMap{{uuidField, uuid}};
    return run(QStringLiteral("removeUiStatusInformationItem"), {item});
}

QVariantMap UiStatusItemsModel::get(int row) const
{
    return m_items.value(row);
}

bool UiStatusItemsModel::refresh()
{
    QVariant list;
    const bool fetched = run(QStringLiteral("getUiStatusInformationItemList"), {m_filter}, &list);
    const int countBefore = m_items.size();
    beginResetModel();
    m_items.clear();
    for (const QVariant& item : list.toList())
        m_items.append(item.toMap());
    endResetModel();
    if (m_items.size() != countBefore)
        Q_EMIT countChanged();
    return fetched;
}

void UiStatusItemsModel::classBegin()
{
}

void UiStatusItemsModel::componentComplete()
{
    m_complete = true;
    restart();
}

void UiStatusItemsModel::restart()
{
    if (!m_complete)
        return;
    m_follower.reset();
    m_connector = m_entry->create(m_module.isEmpty() ? VanteloDefinitions::getModuleName() : m_module,
                                  m_object.isEmpty() ? m_entry->defaultObject : m_object);
    clear();
    for (const SignalEntry& signal : m_entry->relayedSignals) {
        signal.connect(
            *m_connector,
            [this](const QString& name, const QVariantList& arguments) {
                if (name == QLatin1String("uiStatusInformationItemChanged"))
                    itemChanged(arguments.value(0).toString());
                else
                    itemRemoved(arguments.value(0).toMap().value(uuidField).toString());
            },
            this);
    }
    // The list is fetched whenever the service is there: now, if it runs,
    // and again each time it is back.
    m_follower.reset(new ServiceFollower(m_connector->getServiceName()));
    connect(m_follower.data(), &ServiceFollower::serviceUp, this, &UiStatusItemsModel::refresh);
    connect(m_follower.data(), &ServiceFollower::serviceDown, this, &UiStatusItemsModel::clear);
    m_follower->initObject();
}

void UiStatusItemsModel::clear()
{
    if (m_items.isEmpty())
        return;
    beginResetModel();
    m_items.clear();
    endResetModel();
    Q_EMIT countChanged();
}

void UiStatusItemsModel::itemChanged(const QString& uuid)
{
    QVariant fetched;
    if (!run(QStringLiteral("getUiStatusInformationItem"), {m_filter, uuid}, &fetched))
        return;
    const QVariantMap item = fetched.toMap();
    const int row = rowOf(uuid);
    if (row >= 0) {
        m_items[row] = item;
        Q_EMIT dataChanged(index(row), index(row));
        return;
    }
    beginInsertRows(QModelIndex(), m_items.size(), m_items.size());
    m_items.append(item);
    endInsertRows();
    Q_EMIT countChanged();
}

void UiStatusItemsModel::itemRemoved(const QString& uuid)
{
    const int row = rowOf(uuid);
    if (row < 0)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_items.removeAt(row);
    endRemoveRows();
    Q_EMIT countChanged();
}

int UiStatusItemsModel::rowOf(const QString& uuid) const
{
    for (int row = 0; row < m_items.size(); ++row) {
        if (m_items.at(row).value(uuidField).toString() == uuid)
            return row;
    }
    return -1;
}

bool UiStatusItemsModel::run(const QString& operation, const QVariantList& arguments, QVariant* value)
{
    if (!m_connector) {
        qmlWarning(this).noquote() << operation << " not called: the model is not complete yet";
        return false;
    }
    const OperationEntry* entry = m_entry->operation(operation);
    QVariantList prepared;
    QString error;
    if (!entry->prepareArguments(arguments, &prepared, &error)) {
        qmlWarning(this).noquote() << operation << ": " << error;
        return false;
    }
    const DBusReply reply = entry->run(*m_connector, prepared);
    if (reply.isError()) {
        qmlWarning(this).noquote() << operation << " failed: " << reply.getError().getErrorMessage();
        return false;
    }
    if (value)
        *value = reply.getValue();
    return true;
}

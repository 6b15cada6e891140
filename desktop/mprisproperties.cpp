#include "desktop/mprisproperties.h"
#include "desktop/mpris.h"
#include <QDBusMetaType>
#include <QMetaProperty>

namespace {

QString interfaceOf(const QObject *adaptor)
{
    const QMetaObject *meta = adaptor->metaObject();
    return QString::fromLatin1(meta->classInfo(meta->indexOfClassInfo("D-Bus Interface")).value());
}

QMetaProperty propertyOf(const QObject *adaptor, const QString &name)
{
    const QMetaObject *meta = adaptor->metaObject();
    const int i = meta->indexOfProperty(name.toLatin1().constData());
    return i < meta->propertyOffset() ? QMetaProperty() : meta->property(i);
}

}   // namespace

MprisProperties::MprisProperties(Mpris *mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris) {}

QObject *MprisProperties::owner(const QString &interface, const QString &name) const
{
    bool known = false;
    for (QObject *child : m_mpris->children()) {
        auto *adaptor = qobject_cast<QDBusAbstractAdaptor *>(child);
        if (!adaptor || adaptor == this || (!interface.isEmpty() && interfaceOf(adaptor) != interface))
            continue;
        known = true;
        if (propertyOf(adaptor, name).isValid())
            return adaptor;
    }
    if (known)
        m_mpris->refuse(QDBusError::UnknownProperty, QStringLiteral("There is no property %1.").arg(name));
    else
        m_mpris->refuse(QDBusError::UnknownInterface, QStringLiteral("There is no interface %1.").arg(interface));
    return nullptr;
}

QDBusVariant MprisProperties::Get(const QString &interface, const QString &name)
{
    const QObject *adaptor = owner(interface, name);
    return adaptor ? QDBusVariant(propertyOf(adaptor, name).read(adaptor)) : QDBusVariant();
}

QVariantMap MprisProperties::GetAll(const QString &interface)
{
    QVariantMap all;
    for (QObject *child : m_mpris->children()) {
        auto *adaptor = qobject_cast<QDBusAbstractAdaptor *>(child);
        if (!adaptor || adaptor == this || (!interface.isEmpty() && interfaceOf(adaptor) != interface))
            continue;
        const QMetaObject *meta = adaptor->metaObject();
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
            all.insert(QString::fromLatin1(meta->property(i).name()), meta->property(i).read(adaptor));
    }
    if (all.isEmpty())
        m_mpris->refuse(QDBusError::UnknownInterface, QStringLiteral("There is no interface %1.").arg(interface));
    return all;
}

void MprisProperties::Set(const QString &interface, const QString &name, const QDBusVariant &value)
{
    QObject *adaptor = owner(interface, name);
    if (!adaptor)
        return;
    const QMetaProperty p = propertyOf(adaptor, name);
    if (!p.isWritable()) {
        m_mpris->refuse(QDBusError::PropertyReadOnly, QStringLiteral("%1 can only be read.").arg(name));
        return;
    }
    if (value.variant().metaType() != p.metaType()) {
        m_mpris->refuse(QDBusError::InvalidArgs,
                        QStringLiteral("%1 takes a value of D-Bus type %2.")
                            .arg(name, QLatin1String(QDBusMetaType::typeToSignature(p.metaType()))));
        return;
    }
    // A setter that cannot carry the change out answers with the reason itself.
    p.write(adaptor, value.variant());
}

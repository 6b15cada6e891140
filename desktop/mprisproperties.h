#pragma once
#include <QDBusAbstractAdaptor>
#include <QDBusVariant>
#include <QVariantMap>

class Mpris;

// org.freedesktop.DBus.Properties for the player's interfaces. Qt serves it
// by itself, but answers a Set the player refuses with success or "Internal
// error"; here a setter can answer why.
class MprisProperties : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.Properties")
    // Qt describes the standard interface itself.
    Q_CLASSINFO("D-Bus Introspection", "")
public:
    explicit MprisProperties(Mpris *mpris);

public slots:
    QDBusVariant Get(const QString &interface, const QString &name);
    QVariantMap GetAll(const QString &interface);
    void Set(const QString &interface, const QString &name, const QDBusVariant &value);

private:
    // The adaptor serving interface (any, when empty) that has the property name.
    QObject *owner(const QString &interface, const QString &name) const;
    Mpris *m_mpris;
};

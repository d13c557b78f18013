#include "ui/aux/UDisksOpener.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QVariantMap>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace {

const QString Service = QStringLiteral("org.freedesktop.UDisks2");
const QString ManagerPath = QStringLiteral("/org/freedesktop/UDisks2/Manager");
const QString ManagerInterface = QStringLiteral("org.freedesktop.UDisks2.Manager");
const QString BlockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
// Long enough for the user to type a password into the polkit agent.
constexpr int AuthorisationTimeoutMs = 5 * 60 * 1000;

bool IsRefusal(const QDBusMessage& reply) {
    return reply.errorName().startsWith(
        QLatin1String("org.freedesktop.UDisks2.Error.NotAuthorized"));
}

} // namespace

QDBusConnection TUDisksOpener::DefaultBus() {
    const QString address = qEnvironmentVariable("BRELKEXPLORER_UDISKS_BUS");
    if (address.isEmpty())
        return QDBusConnection::systemBus();
    return QDBusConnection::connectToBus(address, QStringLiteral("brelkexplorer-udisks"));
}

int TUDisksOpener::Fail(const QString& why, int error) {
    Error = why;
    errno = error;
    return -1;
}

// The UDisks2 block object of a device node, or an empty string (Error set) when it has none.
QString TUDisksOpener::ResolveObject(const QString& path) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, ManagerPath, ManagerInterface, "ResolveDevice");
    const QVariantMap spec{{QStringLiteral("path"), path}};
    call << spec << QVariantMap();
    const QDBusMessage reply = Bus->call(call);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        Error = reply.errorMessage();
        return QString();
    }
    const auto objects = qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().value(0));
    if (objects.isEmpty()) {
        Error = QStringLiteral("UDisks2 does not know the device %1").arg(path);
        return QString();
    }
    return objects.first().path();
}

int TUDisksOpener::OpenDevice(const std::string& path) {
    Error.clear();
    if (!Bus)
        Bus = DefaultBus();
    if (!Bus->isConnected())
        return Fail(QStringLiteral("no connection to the bus of UDisks2"), ENODEV);
    const QString object = ResolveObject(QString::fromStdString(path));
    if (object.isEmpty())
        return Fail(Error, ENODEV);
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, object, BlockInterface, "OpenDevice");
    call << QStringLiteral("rw") << QVariantMap();
    call.setInteractiveAuthorizationAllowed(true);
    const QDBusMessage reply = Bus->call(call, QDBus::Block, AuthorisationTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return Fail(reply.errorMessage(), IsRefusal(reply) ? EACCES : EIO);
    const auto granted = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().value(0));
    if (!granted.isValid())
        return Fail(QStringLiteral("UDisks2 sent no descriptor"), EIO);
    // The message owns its descriptor; the caller gets a copy of its own.
    const int fd = ::fcntl(granted.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return Fail(QString::fromLocal8Bit(std::strerror(errno)), errno);
    return fd;
}

brelk::TSysCallsWithOpener& DesktopSysCalls() {
    static TUDisksOpener opener;
    static brelk::TSysCallsWithOpener calls(brelk::LinuxSysCalls(), opener);
    return calls;
}

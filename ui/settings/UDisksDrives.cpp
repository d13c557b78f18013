#include "ui/settings/UDisksDrives.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>

#include <algorithm>

namespace {

const QString Service = QStringLiteral("org.freedesktop.UDisks2");
const QString Root = QStringLiteral("/org/freedesktop/UDisks2");
const QString BlockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString DriveInterface = QStringLiteral("org.freedesktop.UDisks2.Drive");
const QString PartitionInterface = QStringLiteral("org.freedesktop.UDisks2.Partition");
const QString FilesystemInterface = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
constexpr int AnswerTimeoutMs = 5000;

using TInterfaces = QMap<QString, QVariantMap>;
using TManagedObjects = QMap<QDBusObjectPath, TInterfaces>;

// A byte-string property ("ay" ending in a zero byte) as text.
QString ByteString(const QVariant& value) {
    QByteArray bytes = value.toByteArray();
    if (bytes.endsWith('\0'))
        bytes.chop(1);
    return QString::fromLocal8Bit(bytes);
}

// The first mount point of a Filesystem interface ("aay"), or an empty string.
QString FirstMountPoint(const TInterfaces& object) {
    const auto fs = object.constFind(FilesystemInterface);
    if (fs == object.constEnd())
        return QString();
    const QVariant points = fs->value(QStringLiteral("MountPoints"));
    QList<QByteArray> list;
    if (points.canConvert<QDBusArgument>())
        points.value<QDBusArgument>() >> list;
    else
        list = points.value<QList<QByteArray>>();
    return list.isEmpty() ? QString() : ByteString(list.first());
}

QString ObjectPathProperty(const QVariantMap& properties, const QString& name) {
    return properties.value(name).value<QDBusObjectPath>().path();
}

bool IsRemovableDrive(const TManagedObjects& objects, const QString& drivePath) {
    const TInterfaces drive = objects.value(QDBusObjectPath(drivePath));
    const QVariantMap properties = drive.value(DriveInterface);
    return properties.value(QStringLiteral("Removable")).toBool() ||
           properties.value(QStringLiteral("MediaRemovable")).toBool();
}

// The mounted file system on the whole device at BlockPath, or on a partition of it.
void FindMount(const TManagedObjects& objects, const QString& blockPath, TCandidateDrive& drive) {
    for (auto object = objects.cbegin(); object != objects.cend(); ++object) {
        const QString path = object.key().path();
        const QVariantMap partition = object->value(PartitionInterface);
        const bool ofThisDevice =
            path == blockPath ||
            (object->contains(PartitionInterface) &&
             ObjectPathProperty(partition, QStringLiteral("Table")) == blockPath);
        const QString mountPoint = ofThisDevice ? FirstMountPoint(*object) : QString();
        if (mountPoint.isEmpty())
            continue;
        drive.MountedFileSystem =
            ByteString(object->value(BlockInterface).value(QStringLiteral("Device")));
        drive.MountPoint = mountPoint;
        return;
    }
}

TCandidateDrive CandidateOf(const TManagedObjects& objects, const QString& blockPath,
                            const QVariantMap& block, const QString& drivePath) {
    TCandidateDrive drive(ByteString(block.value(QStringLiteral("Device"))));
    drive.Size = block.value(QStringLiteral("Size")).toULongLong();
    const QVariantMap properties = objects.value(QDBusObjectPath(drivePath)).value(DriveInterface);
    drive.Vendor = properties.value(QStringLiteral("Vendor")).toString().trimmed();
    drive.Model = properties.value(QStringLiteral("Model")).toString().trimmed();
    FindMount(objects, blockPath, drive);
    return drive;
}

// Each drive opened to learn whether it answers, as the settings dialog needs.
std::vector<TCandidateDrive> WithAnswers(std::vector<TCandidateDrive> drives) {
    for (TCandidateDrive& drive : drives)
        drive.Answers = TSysBlockDriveLister::SizeQueryAnswers(drive.Path);
    return drives;
}

} // namespace

bool TUDisksDriveLister::Available() const {
    if (!Bus.isConnected())
        return false;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        Service, Root, QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    return Bus.call(call, QDBus::Block, AnswerTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

std::optional<std::vector<TCandidateDrive>> TUDisksDriveLister::TryList() const {
    qDBusRegisterMetaType<TInterfaces>();
    qDBusRegisterMetaType<TManagedObjects>();
    if (!Bus.isConnected())
        return std::nullopt;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        Service, Root, QStringLiteral("org.freedesktop.DBus.ObjectManager"),
        QStringLiteral("GetManagedObjects"));
    const QDBusReply<TManagedObjects> reply = Bus.call(call, QDBus::Block, AnswerTimeoutMs);
    if (!reply.isValid())
        return std::nullopt;
    const TManagedObjects objects = reply.value();
    std::vector<TCandidateDrive> drives;
    for (auto object = objects.cbegin(); object != objects.cend(); ++object) {
        if (!object->contains(BlockInterface) || object->contains(PartitionInterface))
            continue; // partitions are found through their device
        const QVariantMap block = object->value(BlockInterface);
        const QString drivePath = ObjectPathProperty(block, QStringLiteral("Drive"));
        if (drivePath.isEmpty() || drivePath == QLatin1String("/") ||
            !IsRemovableDrive(objects, drivePath))
            continue;
        drives.push_back(CandidateOf(objects, object.key().path(), block, drivePath));
    }
    std::sort(drives.begin(), drives.end(),
              [](const TCandidateDrive& a, const TCandidateDrive& b) { return a.Path < b.Path; });
    return drives;
}

std::vector<TCandidateDrive> TUDisksDriveLister::RemovableDrives() const {
    return WithAnswers(PresentDrives());
}

std::vector<TCandidateDrive> TSystemDriveLister::PresentDrives() const {
    if (std::optional<std::vector<TCandidateDrive>> drives = UDisks.TryList())
        return *drives;
    return SysBlock.PresentDrives();
}

std::vector<TCandidateDrive> TSystemDriveLister::RemovableDrives() const {
    return WithAnswers(PresentDrives());
}

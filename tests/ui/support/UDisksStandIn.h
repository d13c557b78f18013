// A stand-in UDisks2 service for the tests: a private dbus-daemon and python3-dbusmock with
// udisks/udisks2_template.py on it. Tests skip when either program is missing.
#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class TUDisksStandIn {
  public:
    static inline const QString Service = QStringLiteral("org.freedesktop.UDisks2");

    ~TUDisksStandIn() {
        Stop(Mock);
        Stop(Daemon);
    }

    // Why the service cannot run here, or an empty string once it runs with Parameters.
    QString Start(const QString& templateFile, const QJsonObject& parameters) {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return QStringLiteral("dbus-daemon not found; skipping the UDisks2 tests");
        const QString python = PythonWithDbusmock();
        if (python.isEmpty())
            return QStringLiteral("python3-dbusmock not installed; skipping the UDisks2 tests");
        Daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                              QStringLiteral("--print-address=1")});
        if (!Daemon.waitForStarted() ||
            !QTest::qWaitFor([&] { return Daemon.canReadLine(); }, 10000))
            return QStringLiteral("dbus-daemon did not start");
        Address = QString::fromUtf8(Daemon.readLine()).trimmed();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), Address);
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), Address);
        Mock.setProcessEnvironment(environment);
        Mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        Mock.start(python,
                   {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                    templateFile, QStringLiteral("-p"),
                    QString::fromUtf8(QJsonDocument(parameters).toJson(QJsonDocument::Compact))});
        if (!Mock.waitForStarted() ||
            !QTest::qWaitFor(
                [&] { return Bus().interface()->isServiceRegistered(Service).value(); }, 20000))
            return QStringLiteral("the stand-in UDisks2 service did not start");
        return QString();
    }

    const QString& BusAddress() const { return Address; }
    QDBusConnection Bus() const {
        return QDBusConnection::connectToBus(Address, QStringLiteral("brelk-test-bus"));
    }

    // Calls one of the template's mock methods (AddDrive, RemoveDrive, SetMountPoint, ...).
    bool Call(const QString& method, const QVariantList& arguments) const {
        QDBusMessage call =
            QDBusMessage::createMethodCall(Service, QStringLiteral("/org/freedesktop/UDisks2"),
                                           QStringLiteral("org.freedesktop.DBus.Mock"), method);
        call.setArguments(arguments);
        const QDBusMessage reply = Bus().call(call);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
        qWarning("%s: %s", qPrintable(method), qPrintable(reply.errorMessage()));
        return false;
    }

  private:
    // A Python that can import dbusmock, or an empty string.
    static QString PythonWithDbusmock() {
        for (const QString& candidate :
             {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
            QProcess probe;
            probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
            if (probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
                probe.exitCode() == 0)
                return candidate;
        }
        return QString();
    }

    static void Stop(QProcess& process) {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(5000);
    }

    QProcess Daemon;
    QProcess Mock;
    QString Address;
};
